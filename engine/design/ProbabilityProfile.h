#pragma once

#include "PDEParams.h"
#include "SnowballContract.h"

#include <limits>
#include <string>
#include <vector>

// What the structure is likely to do, on the finite-difference engine's own
// grid and monitoring (uniform M x N grid, knock-in on every time column,
// knock-out on the observation columns, barriers on the engine's nodes):
// the probability of knocking out at each observation, of reaching maturity
// without knocking out (together they sum to 1), of knocking in (before
// knock-out, or at maturity at or below the last knock-in barrier), of
// ending knocked in below the notional S0, and the expected life in years
// (knock-out time or maturity). Probabilities are under the pricing measure.
struct ProbabilityProfile
{
    std::vector<double> ko_probability;  // one per observation
    double maturity_probability = 0.0;
    double ki_probability = 0.0;
    double loss_probability = 0.0;
    double expected_life = 0.0;
    // Accurate mode only (empty and NaN in the design mode): a bound on the
    // error of each figure above, from the differences of its resolutions.
    std::vector<double> ko_error;
    double maturity_error = std::numeric_limits<double>::quiet_NaN();
    double ki_error = std::numeric_limits<double>::quiet_NaN();
    double loss_error = std::numeric_limits<double>::quiet_NaN();
    double life_error = std::numeric_limits<double>::quiet_NaN();
    bool ok = false;
    std::string error;
};

// Uses S0, S_max, sigma, r, q, T, M and N of the model; ignores its output
// pointers. Refuses (ok false, error set) what the pricer refuses.
ProbabilityProfile probability_profile(const SnowballContract& contract, const PDEParams& model);

// The engine's price at the spot node recomputed through the same forward
// pass with the discounting put back: it equals auto_call_finite_diff_implicit
// to rounding, which is what shows the forward pass is the pricer's exact
// adjoint. NaN when refused.
double forward_pass_price(const SnowballContract& contract, const PDEParams& model);
