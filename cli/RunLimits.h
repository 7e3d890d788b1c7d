#pragma once

#include "RunBudget.h"

struct PreparedStructure;

// Refuses (CliError, bad input) a run whose memory or time would go beyond
// what can finish (RunBudget.h), naming the limit and the size.
void checkGridRuns(const PreparedStructure& structure, double runs, GridUse use);
// runs accurate solves (AccurateResolution's default: three levels of price
// cells and steps per trading day).
void checkAccurateRuns(const PreparedStructure& structure, double runs);
void checkMonteCarlo(const PreparedStructure& structure, double paths, double stepsPerYear);
