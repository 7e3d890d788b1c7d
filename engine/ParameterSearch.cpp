#include "Snowball_PDE.h"

#include "AppLogger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Names in the search's log line; sigma is the Greek letter in GBK.
const char* param_name(int index)
{
    static const char* const names[] = {"B_Out", "B_In", "c", "\xA6\xD2", "div", "c_div"};
    return names[index];
}

bool known_param(int index) { return static_cast<unsigned>(index) <= 5u; }

}  // namespace

void Snowball_PDE::set_param(int index, double value)
{
    switch (index) {
    case KoBarrier:
        std::fill(ko_barrier.begin(), ko_barrier.end(), value);
        break;
    case KiBarrier:
        std::fill(ki_barrier.begin(), ki_barrier.end(), value);
        break;
    case KoCoupon:
        std::fill(ko_coupon.begin(), ko_coupon.end(), value);
        break;
    case Sigma:
        params.sigma = value;
        break;
    case DivCoupon:
        div_coupon = value;
        break;
    case CouponAndDiv:
        div_coupon = value;
        std::fill(ko_coupon.begin(), ko_coupon.end(), value);
        break;
    default:
        break;
    }
}

void Snowball_PDE::save_param(int index)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    switch (index) {
    case KoBarrier:
        saved_value = ko_barrier.empty() ? nan : ko_barrier.front();
        break;
    case KiBarrier:
        saved_value = ki_barrier.empty() ? nan : ki_barrier.front();
        break;
    case KoCoupon:
        saved_value = ko_coupon.empty() ? nan : ko_coupon.front();
        break;
    case Sigma:
        saved_value = params.sigma;
        break;
    case DivCoupon:
    case CouponAndDiv:
        saved_value = div_coupon;
        break;
    default:
        break;
    }
}

void Snowball_PDE::restore_param(int index) { set_param(index, saved_value); }

int Snowball_PDE::solve_param(double target, int index, double* result, double lo, double hi)
{
    if (!known_param(index))
        return -3;
    save_param(index);

    set_param(index, lo);
    const double price_lo = price();
    set_param(index, hi);
    const double price_hi = price();

    const bool rising = price_hi > price_lo;
    const bool outside = rising ? (target > price_hi || target < price_lo) : (target < price_hi || target > price_lo);
    if (outside) {
        restore_param(index);
        return -4;
    }

    if (result)
        *result = std::numeric_limits<double>::quiet_NaN();
    double previous = 0.0;
    for (int attempt = 0; attempt < max_iter; ++attempt) {
        const double mid = (lo + hi) * 0.5;
        set_param(index, mid);
        const double p = price();
        std::printf("price:%.5f at %.3f\n", p, mid);

        if (std::fabs(target - p) < epsilon) {
            AppLogger::instance().log(AppLogger::Info, "price:%.5f when %s=%.3f after %d calc\n", p,
                                      param_name(index), mid, attempt);
            if (result)
                *result = mid;
            restore_param(index);
            return 0;
        }
        if (attempt > 0 && std::fabs(p - previous) < epsilon) {
            AppLogger::instance().log(AppLogger::Critical, "Price NOT changed > EPSILON");
            restore_param(index);
            return -2;
        }
        previous = p;
        if (rising ? p < target : p > target)
            lo = mid;
        else
            hi = mid;
    }
    restore_param(index);
    return -1;
}
