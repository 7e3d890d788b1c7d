#pragma once

#include "PricingRequest.h"

#include <cstddef>
#include <string>

// What is wrong with a request, one code per rule. The front ends turn a code
// into their own words (the window's Chinese texts stand in one table beside
// the search status texts); `reason` is the engine's English.
enum class RefusalCode
{
    None,
    Spot,                      // not a positive number
    GridTop,                   // design grid: S_max not above the spot
    Volatility,                // negative or not a number
    ZeroVolatility,            // accurate: the volatility must be positive
    Maturity,                  // not a positive number of years
    PriceSteps,                // design grid: M below 3
    TimeSteps,                 // design grid: N below 1
    RateOrDividend,            // not numbers
    YearDays,                  // accurate and Monte Carlo: fewer than 1 trading day a year, or too many days
    NoObservations,
    KoBarrierCount,            // `count` values for `expected` observation dates
    KoCouponCount,
    KiBarrierCount,
    NegativeKoBarrier,         // negative or not a number
    NegativeKoCoupon,
    NegativeKiBarrier,
    NegativeDivCoupon,
    NegativeFloor,
    NegativeStrike,
    NegativeParticipation,
    KoBarrierAboveGridTop,     // design grid
    KiBarrierAboveGridTop,     // design grid
    ObservationAfterMaturity,
    ObservationBeforeToday,
    ObservationsShareStep,     // design grid: two observations on one time column
    ObservationsNotRising,     // accurate and Monte Carlo: times must rise strictly
    Paths,                     // Monte Carlo: fewer than kMinReferencePairs antithetic pairs, or over 10^12 paths
    Threads,                   // Monte Carlo
    NotForMethod,              // the method does not compute what was asked (Greeks by Monte Carlo)
    EmptyAxis,                 // a stress or scan axis without a point
    AxisTooLong,               // an axis beyond the point limit
    MarketNeedsAccurate,       // a market model (curves, local volatility) with the design grid
    MarketShift,               // the volatility shift asked of a market leaves its volatility out of range
};

struct Refusal
{
    RefusalCode code = RefusalCode::None;
    std::string reason;        // empty when code is None
    std::size_t count = 0;     // the *Count codes: values given
    std::size_t expected = 0;  // and observation dates

    explicit operator bool() const { return code != RefusalCode::None; }
};

// The one rule set: the first thing the method cannot price in this contract
// and model, or a Refusal without code. The solvers, the window and the CLI
// all ask it, in this order of rules. market: the request carries a market
// model (then the design grid refuses it and model's sigma, r and q are not
// used; the market's own inputs were checked as they were built, a shift of
// its volatility as it is applied).
Refusal pricing_refusal(const SnowballContract& contract, const PDEParams& model, int year_days,
                        PricingMethod method, const MonteCarloSettings& monte_carlo = MonteCarloSettings(),
                        bool market = false);
Refusal pricing_refusal(const PricingRequest& request);

// The design grid's rules alone (it does not use the trading days a year).
inline Refusal design_grid_refusal(const SnowballContract& contract, const PDEParams& model)
{
    return pricing_refusal(contract, model, 0, PricingMethod::DesignGrid);
}
