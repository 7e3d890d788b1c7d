#pragma once

#include "Valuation.h"

#include <limits>
#include <vector>

// What the structure is likely to do under the pricing measure (drift r - q):
// the probability of knocking out at each observation, of reaching maturity
// without knocking out (together they sum to 1), of knocking in (before
// knock-out, or at maturity at or below the last knock-in barrier), of ending
// knocked in below the notional S0, and the expected life in years
// (knock-out time or maturity), as the method that computed them monitors.
struct ProbabilityProfile : Answer
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
};
