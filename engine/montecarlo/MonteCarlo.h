#pragma once

#include "PDEParams.h"
#include "SnowballContract.h"

class RandomStream;

// Monte Carlo price of a snowball note in percent of the notional (100 is
// par): daily lognormal paths, no dividend yield, no dividend coupon, the
// note form whatever the contract's form; of the model only S0, sigma, r and
// T are used. Draws from the process-wide stream (MT19937, default seed,
// never reseeded), so the first run after start is the same in every
// process. NaN when the inputs are refused.
double price_monte_carlo(const SnowballContract& contract, const PDEParams& model, int steps_per_year,
                         int paths);

// The same on a caller's stream (tests, benchmarks).
double price_monte_carlo(RandomStream& stream, const SnowballContract& contract, const PDEParams& model,
                         int steps_per_year, int paths);
