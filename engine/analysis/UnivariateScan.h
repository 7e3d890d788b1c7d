#pragma once

#include "ParameterSearch.h"
#include "PricingRequest.h"
#include "Valuation.h"

#include <optional>
#include <vector>

// A scan never prices more than this many values: a wider range is sampled
// at (end - start) / 20 instead of the step asked for.
constexpr int kScanMaxPoints = 20;

// The price at each scanned value of a term and the one nearest a target.
// Refused for no point (end below start, a step of zero or no number) and
// for more than kMaxGridPoints values asked for; failed when a price cannot
// be computed (the scan stops there, the values and prices so far kept) or
// none is finite.
struct ScanResult : Answer
{
    std::vector<double> values;   // the scanned values of the term
    std::vector<double> prices;   // the price at each value
    std::vector<std::optional<double>> error_estimates;  // of each price, where the method gives one
    int best = -1;                // position nearest the target; the earlier one on ties
    double step = 0.0;            // the step used: the one asked for, or the capped one
    bool capped = false;          // true when the step was widened to keep 20 points
};

// Prices the request at the values start + i * step of the term and finds
// the price nearest target; the request itself is not changed. The progress
// hook sees each price as an equal share.
ScanResult univariate_scan(const PricingRequest& request, Param term, double start, double end, double step,
                           double target);

// Where a range of the term should start for the request's method: the first
// of start, start + step, ... (up to end) that the method does not refuse
// outright (pricing_refusal, and with a market a volatility shift it
// refuses), so that a default range from 0 starts at the first volatility the
// accurate mode prices; start itself when none of them passes or the step
// leads nowhere. The front ends call it for every method alike.
double first_priced_value(const PricingRequest& request, Param term, double start, double end, double step);
