#pragma once

#include "MarketResult.h"
#include "PiecewiseConstant.h"

#include <vector>

// A rate or dividend-yield curve from continuously compounded zero rates
// z_i to times t_i (decimals, years): forwards piecewise constant,
// f_i = (z_i t_i - z_{i-1} t_{i-1}) / (t_i - t_{i-1}) on (t_{i-1}, t_i],
// t_0 = 0, the last forward continuing. f_1 = z_1 exactly, so a one-point
// curve is the flat rate bit for bit.
class RateCurve
{
public:
    // Refuses times that are not positive and strictly rising, rates that
    // are not numbers, and a rate beyond +-100 %, naming the point.
    static MarketResult<RateCurve> from_zero_rates(const std::vector<double>& times,
                                                   const std::vector<double>& zero_rates);
    static RateCurve flat(double rate);

    bool is_flat() const { return forwards_.constant(); }
    double flat_rate() const { return forwards_.values().front(); }  // meaningful when is_flat()

    double forward(double t) const { return forwards_.at(t); }
    // Integral of the forward over [a, b] and the discount factor between them.
    double integral(double a, double b) const { return forwards_.integral(a, b); }
    double discount(double a, double b) const;
    double zero_rate(double t) const;

    // Every zero rate (so every forward) moved by dr.
    RateCurve shifted(double dr) const;

    const PiecewiseConstant& forwards() const { return forwards_; }

private:
    explicit RateCurve(PiecewiseConstant forwards) : forwards_(std::move(forwards)) {}
    PiecewiseConstant forwards_;
};

// The dividend (basis) curve the index futures imply at spot S:
// z_q(T_i) = z_r(T_i) - ln(F_i / S) / T_i. Fixed once built: the spot may
// move afterwards (bumps, stress) without changing it. Refuses prices that
// are not positive and the refusals of from_zero_rates.
MarketResult<RateCurve> dividend_curve_from_futures(const RateCurve& rates, const std::vector<double>& times,
                                                    const std::vector<double>& futures, double spot);
