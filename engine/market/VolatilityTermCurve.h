#pragma once

#include "MarketResult.h"
#include "PiecewiseConstant.h"

#include <vector>

// Black volatilities v_i to times t_i (decimals, years) as a piecewise-
// constant instantaneous variance, s_i^2 = (v_i^2 t_i - v_{i-1}^2 t_{i-1}) /
// (t_i - t_{i-1}) on (t_{i-1}, t_i], the last one continuing.
class VolatilityTermCurve
{
public:
    // Refuses times that are not positive and rising, volatilities not in
    // (0, 5], and a negative s_i^2 (calendar arbitrage), naming the point.
    static MarketResult<VolatilityTermCurve> from_black_vols(const std::vector<double>& times,
                                                             const std::vector<double>& vols);

    const std::vector<double>& times() const { return times_; }
    const std::vector<double>& black_vols() const { return vols_; }
    const PiecewiseConstant& variance() const { return variance_; }
    double sigma(double t) const;
    // Every Black volatility moved by dv (refused when that leaves (0, 5] or
    // makes a variance negative).
    MarketResult<VolatilityTermCurve> shifted(double dv) const { return from_black_vols(times_, shifted_vols(dv)); }

private:
    std::vector<double> shifted_vols(double dv) const;
    std::vector<double> times_, vols_;
    PiecewiseConstant variance_;
};
