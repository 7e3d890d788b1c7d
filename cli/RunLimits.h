#pragma once

#include "RunBudget.h"

struct PreparedStructure;

// Refuses (CliError, bad input) a run whose memory or time would go beyond
// what can finish (RunBudget.h), naming the limit and the size.
void checkGridRuns(const PreparedStructure& structure, double runs, GridUse use);
// runs accurate solves (AccurateResolution's default: three levels of price
// cells and steps per trading day).
void checkAccurateRuns(const PreparedStructure& structure, double runs);
// One price, with the Greeks when asked (three kept grid runs, or five
// more accurate solves), on the design grid or accurate.
void checkPriceRuns(const PreparedStructure& structure, bool greeks, bool accurate);
void checkMonteCarlo(const PreparedStructure& structure, double paths, double stepsPerYear);
