#pragma once

#include "ParameterSearch.h"

#include <vector>

class Snowball_PDE;

// A scan never prices more than this many values: a wider range is sampled
// at (end - start) / 20 instead of the step asked for.
constexpr int kScanMaxPoints = 20;

enum class ScanFailure
{
    None,
    NotInitialised,   // the engine holds no structure yet
    NoPoints,         // end below start, or a step of zero or no number
    TooManyPoints,    // more than kMaxGridPoints values asked for
    PriceFailed,      // a price came out as NaN (or the solver failed); the scan stopped there
    NoNearest,        // no price was finite, so none lies nearest the target
};

struct ScanResult
{
    std::vector<double> values;   // the scanned values of the term
    std::vector<double> prices;   // the price at each value
    std::vector<double> error_estimates;  // of each price in the accurate mode (NaN in the design mode)
    int best = -1;                // position nearest the target; the earlier one on ties
    double step = 0.0;            // the step used: the one asked for, or the capped one
    bool capped = false;          // true when the step was widened to keep 20 points
    ScanFailure failure = ScanFailure::None;
};

// Prices a private copy of engine (which is left as it is) at the values
// start + i * step of term index and finds the
// price nearest target. The copy writes no grids.
ScanResult univariate_scan(const Snowball_PDE& engine, Param index, double start, double end,
                           double step, double target);
