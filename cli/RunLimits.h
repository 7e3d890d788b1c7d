#pragma once

#include "PricingRequest.h"
#include "RunBudget.h"

struct PreparedStructure;

// Refuses (CliError, bad input) runs whose memory or time would go beyond
// what can finish (RunBudget.h), naming the limit, the size and the option
// that sets it: `solves` solves of the request, kept grids or not.
void checkRuns(const PricingRequest& request, double solves, GridUse use);
// One price, with the Greeks when asked.
void checkPriceRuns(const PricingRequest& request, bool greeks);
// The design's Monte Carlo check: paths over the maturity at stepsPerYear.
void checkMonteCarlo(const PreparedStructure& structure, double paths, double stepsPerYear);
