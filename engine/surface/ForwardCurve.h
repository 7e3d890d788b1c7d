#pragma once

#include <functional>
#include <string>
#include <vector>

// The forward and the discount to any time, from the two integrals that fix
// them: drift(t) = int_0^t (r - q) and discount(t) = int_0^t r, so that
// F(t) = S exp(drift(t)) and the discount factor is exp(-discount(t)). Flat
// rates, rate and dividend curves and futures all reduce to these two, and a
// solver step from t1 to t2 takes the exact average rates of that step.
class ForwardCurve
{
public:
    using Integral = std::function<double(double t)>;

    ForwardCurve(Integral drift, Integral discount);
    static ForwardCurve flat(double r, double q);
    // Points t_1 < t_2 < ... (years, above 0) with the two integrals there:
    // linear in between (piecewise constant rates), from 0 at t = 0, the
    // last rates continuing. A bad table gives a curve that is not ok().
    static ForwardCurve table(const std::vector<double>& t, const std::vector<double>& drift,
                              const std::vector<double>& discount);

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    double drift(double t) const { return drift_(t); }
    double discount(double t) const { return discount_(t); }
    double forward(double spot, double t) const;
    double discount_factor(double t) const;

private:
    Integral drift_, discount_;
    std::string error_;
};
