#include "SnowballContract.h"

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

bool contract_acceptable(const SnowballContract& c, const PDEParams& p)
{
    if (p.S0 <= 0.0 || p.S0 >= p.S_max || p.sigma < 0.0 || p.T <= 0.0)
        return false;
    const std::size_t n = c.obs_times.size();
    if (c.ko_barrier.size() != n || c.ko_coupon.size() != n || c.ki_barrier.size() != n)
        return false;
    for (double t : c.obs_times)
        if (t > p.T)
            return false;
    for (double b : c.ko_barrier)
        if (b > p.S_max)
            return false;
    for (double b : c.ki_barrier)
        if (b > p.S_max)
            return false;

    // NaN passes every comparison above; refuse it here, with the values no
    // structure can have. Negative rates and dividend yields are real.
    if (!std::isfinite(p.S0) || !std::isfinite(p.S_max) || !std::isfinite(p.sigma) || !std::isfinite(p.r) ||
        !std::isfinite(p.T) || std::isinf(p.q))
        return false;
    if (!all_finite_non_negative(c.ko_barrier) || !all_finite_non_negative(c.ki_barrier) ||
        !all_finite_non_negative(c.ko_coupon))
        return false;
    return finite_non_negative(c.div_coupon) && finite_non_negative(c.floor_price) &&
           finite_non_negative(c.call_strike) && finite_non_negative(c.call_participation);
}
