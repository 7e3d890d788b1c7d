#pragma once

#include "PDEParams.h"
#include "Probabilities.h"
#include "SnowballContract.h"

// The probability profile on the design grid's own grid and monitoring
// (uniform M x N grid, knock-in on every time column, knock-out on the
// observation columns, barriers on the engine's nodes).
// Uses S0, S_max, sigma, r, q, T, M and N of the model; ignores its output
// pointers. Refuses what the pricer refuses.
ProbabilityProfile probability_profile(const SnowballContract& contract, const PDEParams& model);

// The engine's price at the spot node recomputed through the same forward
// pass with the discounting put back: it equals auto_call_finite_diff_implicit
// to rounding, which is what shows the forward pass is the pricer's exact
// adjoint. NaN when refused.
double forward_pass_price(const SnowballContract& contract, const PDEParams& model);
