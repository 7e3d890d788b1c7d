#pragma once

#include "RateCurve.h"

#include <utility>

// The forward and the discount to any time from a rate and a dividend curve
// (from futures or not): drift(t) = int_0^t (r - q) and discount(t) =
// int_0^t r, so that F(t) = S exp(drift(t)) and the discount factor is
// exp(-discount(t)). A solver step takes the exact average rates of the step
// from these two integrals.
class ForwardCurve
{
public:
    ForwardCurve(RateCurve rates, RateCurve dividends) : rates_(std::move(rates)), dividends_(std::move(dividends)) {}
    static ForwardCurve flat(double r, double q) { return ForwardCurve(RateCurve::flat(r), RateCurve::flat(q)); }

    double drift(double t) const { return rates_.integral(0.0, t) - dividends_.integral(0.0, t); }
    double discount(double t) const { return rates_.integral(0.0, t); }
    double forward(double spot, double t) const;
    double discount_factor(double t) const;

    const RateCurve& rates() const { return rates_; }
    const RateCurve& dividends() const { return dividends_; }

private:
    RateCurve rates_, dividends_;
};
