#include "Refusal.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

bool finite_non_negative(double v) { return std::isfinite(v) && v >= 0.0; }

bool all_finite_non_negative(const std::vector<double>& values)
{
    for (double v : values)
        if (!finite_non_negative(v))
            return false;
    return true;
}

Refusal refuse(RefusalCode code, std::string reason) { return Refusal{code, std::move(reason), 0, 0}; }

Refusal count_mismatch(RefusalCode code, const char* what, std::size_t count, std::size_t dates)
{
    return Refusal{code,
                   std::to_string(count) + " " + what + " for " + std::to_string(dates) + " observation dates",
                   count, dates};
}

// Design grid: the column nearest(t / dt) of each observation must rise, as
// the time loop settles one observation per column.
bool columns_rise(const std::vector<double>& times, double T, int N)
{
    const double dt = T / N;
    double previous = -1.0;
    for (double t : times) {
        const double column = std::round(t / dt);
        if (!(column > previous))
            return false;
        previous = column;
    }
    return true;
}

}  // namespace

const char* method_name(PricingMethod method)
{
    switch (method) {
    case PricingMethod::DesignGrid:
        return "design grid";
    case PricingMethod::Accurate:
        return "accurate";
    case PricingMethod::ReferenceMonteCarlo:
        return "reference Monte Carlo";
    }
    return "design grid";
}

const char* mode_label(PricingMethod method)
{
    switch (method) {
    case PricingMethod::DesignGrid:
        return nullptr;
    case PricingMethod::Accurate:
        return "accurate";
    case PricingMethod::ReferenceMonteCarlo:
        return "reference";
    }
    return nullptr;
}

bool gives_error_estimate(PricingMethod method) { return method != PricingMethod::DesignGrid; }

bool takes_market(PricingMethod method) { return method != PricingMethod::DesignGrid; }

Refusal pricing_refusal(const SnowballContract& c, const PDEParams& m, int year_days, PricingMethod method,
                        const MonteCarloSettings& mc, bool market)
{
    const bool grid = method == PricingMethod::DesignGrid;
    const bool daily = !grid;  // the contract's own daily closes

    if (market && !takes_market(method))
        return refuse(RefusalCode::MarketNeedsAccurate,
                      "market curves and local volatility are priced in the accurate mode only");
    if (!(std::isfinite(m.S0) && m.S0 > 0.0))
        return refuse(RefusalCode::Spot, "the spot must be a positive number");
    if (grid && !(std::isfinite(m.S_max) && m.S_max > m.S0))
        return refuse(RefusalCode::GridTop, "the top of the price grid (S_max) must lie above the spot");
    // A market brings its own volatility, rates and dividends (checked as
    // they were built): the three numbers are not used.
    if (!market && !finite_non_negative(m.sigma))
        return refuse(RefusalCode::Volatility, "the volatility must not be negative");
    if (!market && method == PricingMethod::Accurate && !(m.sigma > 0.0))
        return refuse(RefusalCode::ZeroVolatility, "the accurate pricer needs a positive volatility");
    if (!(std::isfinite(m.T) && m.T > 0.0))
        return refuse(RefusalCode::Maturity, "the maturity must be a positive number of years");
    if (grid && m.M < 3)
        return refuse(RefusalCode::PriceSteps, "M (price steps) must be at least 3");
    if (grid && m.N < 1)
        return refuse(RefusalCode::TimeSteps, "N (time steps) must be at least 1");
    // A NaN dividend yield is taken as 0; an infinite one is no yield at all.
    if (!market && (!std::isfinite(m.r) || std::isinf(m.q)))
        return refuse(RefusalCode::RateOrDividend, "the rate and the dividend yield must be numbers");
    if (daily && (year_days < 1 || m.T * year_days > 1e6))
        return refuse(RefusalCode::YearDays,
                      "the trading days a year must be at least 1 (and the days to maturity at most a million)");

    const std::size_t n = c.obs_times.size();
    if (n == 0)
        return refuse(RefusalCode::NoObservations, "no knock-out observation dates");
    if (c.ko_barrier.size() != n)
        return count_mismatch(RefusalCode::KoBarrierCount, "knock-out barriers", c.ko_barrier.size(), n);
    if (c.ko_coupon.size() != n)
        return count_mismatch(RefusalCode::KoCouponCount, "knock-out coupons", c.ko_coupon.size(), n);
    if (c.ki_barrier.size() != n)
        return count_mismatch(RefusalCode::KiBarrierCount, "knock-in barriers", c.ki_barrier.size(), n);
    if (!all_finite_non_negative(c.ko_barrier))
        return refuse(RefusalCode::NegativeKoBarrier, "the knock-out barriers must be non-negative numbers");
    if (!all_finite_non_negative(c.ko_coupon))
        return refuse(RefusalCode::NegativeKoCoupon, "the knock-out coupons must be non-negative numbers");
    if (!all_finite_non_negative(c.ki_barrier))
        return refuse(RefusalCode::NegativeKiBarrier, "the knock-in barriers must be non-negative numbers");
    if (!finite_non_negative(c.div_coupon))
        return refuse(RefusalCode::NegativeDivCoupon, "the dividend coupon must be a non-negative number");
    if (!finite_non_negative(c.floor_price))
        return refuse(RefusalCode::NegativeFloor, "the floor must be a non-negative number");
    if (!finite_non_negative(c.call_strike))
        return refuse(RefusalCode::NegativeStrike, "the call strike must be a non-negative number");
    if (!finite_non_negative(c.call_participation))
        return refuse(RefusalCode::NegativeParticipation, "the participation must be a non-negative number");
    if (grid) {
        for (double b : c.ko_barrier)
            if (b > m.S_max)
                return refuse(RefusalCode::KoBarrierAboveGridTop,
                              "a knock-out barrier lies above the top of the price grid (S_max)");
        for (double b : c.ki_barrier)
            if (b > m.S_max)
                return refuse(RefusalCode::KiBarrierAboveGridTop,
                              "a knock-in barrier lies above the top of the price grid (S_max)");
    }
    for (double t : c.obs_times) {
        if (t > m.T)
            return refuse(RefusalCode::ObservationAfterMaturity, "an observation date lies after the maturity");
        if (!(t >= 0.0))
            return refuse(RefusalCode::ObservationBeforeToday, "an observation date lies before today (or is no date)");
    }
    if (grid && !columns_rise(c.obs_times, m.T, m.N))
        return refuse(RefusalCode::ObservationsShareStep,
                      "N is too small: two observation dates fall on one time step");
    if (daily) {
        for (std::size_t k = 1; k < n; ++k)
            if (!(c.obs_times[k] > c.obs_times[k - 1]))
                return refuse(RefusalCode::ObservationsNotRising, "the observation dates must rise strictly");
    }
    if (method == PricingMethod::ReferenceMonteCarlo) {
        if (mc.paths < 2 * kMinReferencePairs - 1)
            return refuse(RefusalCode::Paths, "at least " + std::to_string(2 * kMinReferencePairs) + " paths (" +
                                                  std::to_string(kMinReferencePairs) +
                                                  " antithetic pairs) are needed for the standard error to mean "
                                                  "something");
        if (mc.paths > 1000000000000LL)
            return refuse(RefusalCode::Paths, "the number of paths must be at most 10^12");
        if (mc.threads < 0 || mc.threads > 1024)
            return refuse(RefusalCode::Threads, "the number of threads must lie between 0 (one per core) and 1024");
    }
    return Refusal();
}

Refusal pricing_refusal(const PricingRequest& r)
{
    return pricing_refusal(r.contract, r.model, r.year_days, r.method, r.monte_carlo, r.market != nullptr);
}
