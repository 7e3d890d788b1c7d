#pragma once

#include "EngineHooks.h"
#include "MarketModel.h"
#include "PDEParams.h"
#include "PricingRequest.h"
#include "SnowballContract.h"
#include "Valuation.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

// A Monte Carlo price of the whole contract, to check the finite-difference
// engine against: exact lognormal steps between the monitoring times (no
// discretisation bias), drift r - q, discounting at r, every payout as the
// grid pays it. Knock-in is monitored at each trading day's close k / year_days
// (k = 0 is today) while before maturity, and at maturity; knock-out at the
// observation times, the last one settled at maturity. The knock-in barrier of
// a day is that of the observation period it lies in; a day that is also an
// observation day is checked for knock-out first and then for knock-in with
// the barrier of the period that begins there.

struct ReferenceMcSettings : MonteCarloSettings
{
    bool knocked_in = false;  // the structure has already knocked in today
    // Local volatility only: log-Euler steps a trading day of the coarse
    // level to start from (see McTimeCheck), up to the most.
    int steps_per_day = 1;
    int most_steps_per_day = 16;
};

// A sample mean and its standard error.
struct McEstimate
{
    double mean = std::numeric_limits<double>::quiet_NaN();
    double standard_error = std::numeric_limits<double>::quiet_NaN();
};

// How a local volatility run made sure its time steps do not bias it:
// log-Euler steps are of weak order 1, so the price is extrapolated over two
// step sizes on the same paths (2 F - C, F with twice the steps of C), which
// leaves a bias of order h^2. C runs on every pair, F on every sixth (the
// correction F - C varies little from path to path: per CPU second the
// price is as precise as with F on every fourth or every pair), and a third
// level with twice F's steps on every twenty-fourth measures the bias left
// (4/3 of what the extrapolation changes with it). The run is repeated with
// twice the steps while that bias, less two of its own standard errors, is not
// below the price's standard error. The path figures (probabilities, life)
// are the coarse level's.
struct McTimeCheck
{
    int steps_per_day = 0;        // of the coarse level, last round; the fine level has twice as many
    McEstimate coarse, fine;      // the two levels' prices (no control variate)
    McEstimate time_bias;         // estimated bias left in the extrapolated price
    int rounds = 0;
    bool passed = false;
};

struct ReferenceMcResult : Answer
{
    // Price with the control variate, and without it (antithetic pairs only).
    double price = std::numeric_limits<double>::quiet_NaN();
    double standard_error = std::numeric_limits<double>::quiet_NaN();
    McEstimate plain;

    // What happened to the paths: knock-out at each observation, reaching
    // maturity without knocking out, knocking in (before knock-out or at
    // maturity), ending knocked in below the notional, and the life in years.
    std::vector<McEstimate> ko_probability;
    McEstimate maturity_probability, ki_probability, loss_probability, expected_life;

    std::string method;      // how the paths were stepped
    McTimeCheck time_check;  // local volatility runs only (rounds 0 otherwise)

    long long paths = 0;  // simulated
    int threads = 0;      // used
};

// Same seed, same thread count, same result, bit for bit. Refusals come back
// as a result that is not ok, with the reason in `error`; nothing throws. The
// hook is called from the calling thread about ten times a second.
ReferenceMcResult reference_monte_carlo(const SnowballContract& contract, const PDEParams& model, int year_days,
                                        const ReferenceMcSettings& settings, const ProgressHook& hook = {});

// The same under a market model, the structure maturing T years after the
// valuation date: drift r(t) - q(t) and discounting on the curves. Without
// a local volatility the steps stay exact lognormal ones (integrated rates
// and variance); with one, log-Euler steps within each trading day, checked
// as McTimeCheck says. A flat market model gives exactly the flat run's
// numbers. A local volatility run that is cancelled in a later round stops
// there; the hook sees each round's fraction from 0.
ReferenceMcResult reference_monte_carlo(const SnowballContract& contract, const MarketModel& market, double T,
                                        int year_days, const ReferenceMcSettings& settings,
                                        const ProgressHook& hook = {});

// The same for a request priced by the reference Monte Carlo (its settings,
// progress hook, trading days and market), the structure knocked in today or not.
ReferenceMcResult reference_monte_carlo(const PricingRequest& request, bool knocked_in = false);
