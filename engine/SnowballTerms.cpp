#include "SnowballTerms.h"

#include <cmath>

namespace {

bool all_finite_non_negative(const std::vector<double>& values)
{
    for (double v : values)
        if (!std::isfinite(v) || v < 0.0)
            return false;
    return true;
}

bool finite_non_negative(double v) { return std::isfinite(v) && v >= 0.0; }

}  // namespace

bool SnowballTerms::acceptable(const PDEParams& p) const
{
    if (p.S0 <= 0.0 || p.S0 >= p.S_max || p.sigma < 0.0 || p.T <= 0.0)
        return false;
    const std::size_t n = obs_times.size();
    if (ko_barrier.size() != n || ko_coupon.size() != n || ki_barrier.size() != n)
        return false;
    for (double t : obs_times)
        if (t > p.T)
            return false;
    for (double b : ko_barrier)
        if (b > p.S_max)
            return false;
    for (double b : ki_barrier)
        if (b > p.S_max)
            return false;

    // NaN passes every comparison above; refuse it here, with the values no
    // structure can have. Negative rates and dividend yields are real.
    if (!std::isfinite(p.S0) || !std::isfinite(p.S_max) || !std::isfinite(p.sigma) ||
        !std::isfinite(p.r) || !std::isfinite(p.T) || std::isinf(p.q))
        return false;
    if (!all_finite_non_negative(ko_barrier) || !all_finite_non_negative(ki_barrier) ||
        !all_finite_non_negative(ko_coupon))
        return false;
    if (!finite_non_negative(div_coupon) || !finite_non_negative(floor_price) ||
        !finite_non_negative(call_strike) || !finite_non_negative(call_participation) ||
        std::isnan(payoff_type))
        return false;
    return true;
}
