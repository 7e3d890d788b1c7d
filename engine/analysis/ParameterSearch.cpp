#include "Snowball_PDE.h"

#include "AppLogger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Names in the search's log line; sigma is the Greek letter in GBK.
const char* param_name(Param index)
{
    static const char* const names[] = {"B_Out", "B_In", "c", "\xA6\xD2", "div", "c_div"};
    return names[static_cast<int>(index)];
}

}  // namespace

bool param_from_number(int number, Param& param)
{
    if (number < 0 || number >= kParamCount)
        return false;
    param = static_cast<Param>(number);
    return true;
}

void Snowball_PDE::set_param(Param index, double value)
{
    std::vector<double>& ko_barrier = contract.ko_barrier;
    std::vector<double>& ki_barrier = contract.ki_barrier;
    std::vector<double>& ko_coupon = contract.ko_coupon;
    switch (index) {
    case Param::KoBarrier:
        std::fill(ko_barrier.begin(), ko_barrier.end(), value);
        break;
    case Param::KiBarrier:
        std::fill(ki_barrier.begin(), ki_barrier.end(), value);
        break;
    case Param::KoCoupon:
        std::fill(ko_coupon.begin(), ko_coupon.end(), value);
        break;
    case Param::Sigma:
        params.sigma = value;
        break;
    case Param::DivCoupon:
        contract.div_coupon = value;
        break;
    case Param::CouponAndDiv:
        contract.div_coupon = value;
        std::fill(ko_coupon.begin(), ko_coupon.end(), value);
        break;
    }
}

void Snowball_PDE::save_param(Param index)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const SnowballContract& c = contract;
    switch (index) {
    case Param::KoBarrier:
        saved_value = c.ko_barrier.empty() ? nan : c.ko_barrier.front();
        break;
    case Param::KiBarrier:
        saved_value = c.ki_barrier.empty() ? nan : c.ki_barrier.front();
        break;
    case Param::KoCoupon:
        saved_value = c.ko_coupon.empty() ? nan : c.ko_coupon.front();
        break;
    case Param::Sigma:
        saved_value = params.sigma;
        break;
    case Param::DivCoupon:
    case Param::CouponAndDiv:
        saved_value = c.div_coupon;
        break;
    }
}

void Snowball_PDE::restore_param(Param index) { set_param(index, saved_value); }

SearchStatus Snowball_PDE::solve_param(double target, int index, double* result, double lo, double hi)
{
    Param param;
    if (!param_from_number(index, param))
        return SearchStatus::UnknownParam;
    return solve_param(target, param, result, lo, hi);
}

SearchStatus Snowball_PDE::solve_param(double target, Param index, double* result, double lo, double hi)
{
    save_param(index);

    set_param(index, lo);
    const double price_lo = price();
    set_param(index, hi);
    const double price_hi = price();

    const bool rising = price_hi > price_lo;
    const bool outside = rising ? (target > price_hi || target < price_lo) : (target < price_hi || target > price_lo);
    if (outside) {
        restore_param(index);
        return SearchStatus::TargetOutside;
    }

    if (result)
        *result = std::numeric_limits<double>::quiet_NaN();
    double previous = 0.0;
    for (int attempt = 0; attempt < max_iter; ++attempt) {
        const double mid = (lo + hi) * 0.5;
        set_param(index, mid);
        const double p = price();
        char line[128];
        std::snprintf(line, sizeof line, "price:%.5f at %.3f\n", p, mid);
        trace(line);

        if (std::fabs(target - p) < epsilon) {
            AppLogger::instance().log(AppLogger::Info, "price:%.5f when %s=%.3f after %d calc\n", p,
                                      param_name(index), mid, attempt);
            if (result)
                *result = mid;
            restore_param(index);
            return SearchStatus::Found;
        }
        if (attempt > 0 && std::fabs(p - previous) < epsilon) {
            AppLogger::instance().log(AppLogger::Critical, "Price NOT changed > EPSILON");
            restore_param(index);
            return SearchStatus::PriceNotMoving;
        }
        previous = p;
        if (rising ? p < target : p > target)
            lo = mid;
        else
            hi = mid;
    }
    restore_param(index);
    return SearchStatus::NoSolution;
}
