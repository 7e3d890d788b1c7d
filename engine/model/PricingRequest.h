#pragma once

#include "EngineHooks.h"
#include "PDEParams.h"
#include "SnowballContract.h"

#include <cstdint>
#include <memory>

class MarketModel;

// How a request is priced.
//  DesignGrid: the design's fully implicit scheme on the uniform M x N grid
//    of the model (S_max, M, N), knock-in at every time step: the
//    calculator's reference numbers.
//  Accurate: the contract's own monitoring (knock-in at every trading day's
//    close, knock-out on the observation dates) on the accurate pricer's own
//    grid, with an error estimate; S_max, M and N are not used.
//  ReferenceMonteCarlo: the same monitoring simulated on exact lognormal
//    steps, with the standard error as the error estimate.
enum class PricingMethod { DesignGrid, Accurate, ReferenceMonteCarlo };

// The reference Monte Carlo's sample: paths counted one by one (antithetic
// pairs, so rounded up to whole pairs), its seed and threads (0: one per core).
// Fewer than kMinReferencePairs pairs are refused: the standard error comes
// from the spread of the pair means, and from a handful of them it can come
// out as anything, 0 included.
constexpr long long kMinReferencePairs = 100;

struct MonteCarloSettings
{
    long long paths = 1000000;
    std::uint64_t seed = 1;
    int threads = 0;
};

// One question to the engine: a contract, the model it is priced in and how.
// Every computation (price, Greeks and lookups, probabilities, solve, stress,
// scan) takes one; front ends build it once and never look at the method.
struct PricingRequest
{
    SnowballContract contract;
    PDEParams model;            // spot, volatility, rates, maturity; S_max, M, N for the design grid
    // The accurate pricer's and the reference Monte Carlo's market: rate and
    // dividend curves and one volatility input (term curve, local volatility
    // grid or function) in place of model's sigma, r and q. Priced at
    // model.S0 on the same curves and absolute local volatility (a stress or
    // lookup moves the spot only). Null: the flat model of the three numbers.
    std::shared_ptr<const MarketModel> market;
    // With a market: a parallel shift of its volatility input (decimal), what
    // the volatility term means for it (solve, stress, scan). Unused without.
    double volatility_shift = 0.0;
    int year_days = 243;        // trading days a year: the daily closes the contract monitors
    PricingMethod method = PricingMethod::DesignGrid;
    MonteCarloSettings monte_carlo;  // ReferenceMonteCarlo only
    ProgressHook progress;      // the fraction done of whatever is computed for this request
};

// The name of a method for output ("design grid", "accurate", "reference Monte Carlo").
const char* method_name(PricingMethod method);
// The word that marks results of a method other than the design grid's
// ("accurate", "reference"); null for the design grid, whose results carry none.
const char* mode_label(PricingMethod method);
// Whether the method's prices come with an error estimate (all but the design grid's).
bool gives_error_estimate(PricingMethod method);
// Whether the method prices in a market model (curves, local volatility):
// all but the design grid, whose model is the flat one of its fields.
bool takes_market(PricingMethod method);
