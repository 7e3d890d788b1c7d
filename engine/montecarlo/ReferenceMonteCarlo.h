#pragma once

#include "EngineHooks.h"
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
};

// A sample mean and its standard error.
struct McEstimate
{
    double mean = std::numeric_limits<double>::quiet_NaN();
    double standard_error = std::numeric_limits<double>::quiet_NaN();
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

    long long paths = 0;  // simulated
    int threads = 0;      // used
};

// Same seed, same thread count, same result, bit for bit. Refusals come back
// as a result that is not ok, with the reason in `error`; nothing throws. The
// hook is called from the calling thread about ten times a second.
ReferenceMcResult reference_monte_carlo(const SnowballContract& contract, const PDEParams& model, int year_days,
                                        const ReferenceMcSettings& settings, const ProgressHook& hook = {});

// The same for a request priced by the reference Monte Carlo (its settings,
// progress hook and trading days), the structure knocked in today or not.
ReferenceMcResult reference_monte_carlo(const PricingRequest& request, bool knocked_in = false);
