#include "ParameterSearch.h"

#include "AppLogger.h"
#include "Pricer.h"

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

double term_value(const SnowballContract& c, const PDEParams& model, Param term)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    switch (term) {
    case Param::KoBarrier:
        return c.ko_barrier.empty() ? nan : c.ko_barrier.front();
    case Param::KiBarrier:
        return c.ki_barrier.empty() ? nan : c.ki_barrier.front();
    case Param::KoCoupon:
        return c.ko_coupon.empty() ? nan : c.ko_coupon.front();
    case Param::Sigma:
        return model.sigma;
    case Param::DivCoupon:
    case Param::CouponAndDiv:
        return c.div_coupon;
    }
    return nan;
}

void set_term(SnowballContract& c, PDEParams& model, Param term, double value)
{
    switch (term) {
    case Param::KoBarrier:
        std::fill(c.ko_barrier.begin(), c.ko_barrier.end(), value);
        break;
    case Param::KiBarrier:
        std::fill(c.ki_barrier.begin(), c.ki_barrier.end(), value);
        break;
    case Param::KoCoupon:
        std::fill(c.ko_coupon.begin(), c.ko_coupon.end(), value);
        break;
    case Param::Sigma:
        model.sigma = value;
        break;
    case Param::DivCoupon:
        c.div_coupon = value;
        break;
    case Param::CouponAndDiv:
        c.div_coupon = value;
        std::fill(c.ko_coupon.begin(), c.ko_coupon.end(), value);
        break;
    }
}

double term_value(const PricingRequest& request, Param term)
{
    if (request.market && term == Param::Sigma)
        return request.volatility_shift;
    return term_value(request.contract, request.model, term);
}

void set_term(PricingRequest& request, Param term, double value)
{
    if (request.market && term == Param::Sigma)
        request.volatility_shift = value;
    else
        set_term(request.contract, request.model, term, value);
}

SearchResult solve_term(const PricingRequest& request, Param term, double target, double lo, double hi,
                        const SearchSettings& settings)
{
    SearchResult out;
    PricingRequest work = request;
    const double evaluations = 2.0 + std::max(settings.max_iter, 0);
    int priced = 0;
    bool cancelled = false;
    auto price_at = [&](double x) {
        set_term(work, term, x);
        work.progress = progress_part(request.progress, priced / evaluations, 1.0 / evaluations);
        ++priced;
        const Valuation v = price(work);
        cancelled = v.outcome == Outcome::Cancelled;
        return v.value;
    };
    auto end = [&](SearchStatus status) {
        out.status = status;
        if (status == SearchStatus::Found) {
            out.outcome = Outcome::Ok;
            return out;
        }
        static const char* const why[] = {"", "no solution within the iteration limit",
                                          "the price no longer moves by the tolerance", "unknown term",
                                          "the target lies outside the prices at the ends of the interval"};
        out.fail(why[-static_cast<int>(status)]);
        return out;
    };

    const double price_lo = price_at(lo);
    const double price_hi = cancelled ? price_lo : price_at(hi);
    if (cancelled) {
        out.cancel();
        return out;
    }
    {
        const bool rising = price_hi > price_lo;
        const bool outside =
            rising ? (target > price_hi || target < price_lo) : (target < price_hi || target > price_lo);
        if (outside)
            return end(SearchStatus::TargetOutside);

        double previous = 0.0;
        for (int attempt = 0; attempt < settings.max_iter; ++attempt) {
            const double mid = (lo + hi) * 0.5;
            const double p = price_at(mid);
            if (cancelled) {
                out.cancel();
                return out;
            }
            if (settings.trace) {
                char line[128];
                std::snprintf(line, sizeof line, "price:%.5f at %.3f\n", p, mid);
                settings.trace(line);
            }
            if (std::fabs(target - p) < settings.epsilon) {
                AppLogger::instance().log(AppLogger::Info, "price:%.5f when %s=%.3f after %d calc\n", p,
                                          param_name(term), mid, attempt);
                out.value = mid;
                return end(SearchStatus::Found);
            }
            if (attempt > 0 && std::fabs(p - previous) < settings.epsilon) {
                AppLogger::instance().log(AppLogger::Critical, "Price NOT changed > EPSILON");
                return end(SearchStatus::PriceNotMoving);
            }
            previous = p;
            if (rising ? p < target : p > target)
                lo = mid;
            else
                hi = mid;
        }
    }
    return end(SearchStatus::NoSolution);
}
