#pragma once

#include "PricingRequest.h"
#include "Valuation.h"

#include <climits>
#include <vector>

// Values of one stress quantity: one row per volatility, one value per price.
using StressMatrix = std::vector<std::vector<double>>;

// Refusal limit for a stress or scan axis: beyond it the tables and the grid
// solves outgrow what a desktop session can hold or wait for.
constexpr int kMaxGridPoints = 1000;

// The points start, start + step, ... up to end: the quotient
// (end - start) / step + 1, truncated toward zero (no tolerance, so a quotient
// just below a whole number loses a point). 0 when the step is zero, not a
// number or points away from the end; kMaxGridPoints + 1 for anything finite above
// the limit, so that callers never convert a huge quotient to int.
int grid_point_count(double start, double end, double step);

// One axis of the stress grid; point i is start + i * step (never summed up).
struct GridAxis
{
    double start = 0.0;
    double step = 0.0;
    int count = 0;
    double at(int i) const { return start + i * step; }
};

// The S-sigma stress test: value, Delta and Gamma at every price (columns)
// for every volatility (rows), not knocked in, with the remaining time tau.
struct StressResult : Answer
{
    StressMatrix tv;
    StressMatrix delta;
    StressMatrix gamma;
};

// One solve of the request per volatility, read at every price. With a
// market the volatility axis is the parallel shift of its volatility input
// (see set_term) and the price axis moves the spot alone: the curves and an
// absolute local volatility stay (sticky strike). Design grid:
// a grid run that keeps its grids, their finite-difference Greeks and the
// lookups at tau; a volatility whose run fails gives a row of NaN. Accurate:
// one solve valued at tau, smooth in price between its nodes, on a grid
// whose top holds the axis' highest price (NaN only below 0, or in the row
// of a volatility it refuses or fails on). Refused for
// an axis without a point or beyond kMaxGridPoints, and by the reference
// Monte Carlo (no Greeks). The progress hook sees each volatility as an
// equal share.
StressResult stress_grid(const PricingRequest& request, const GridAxis& prices, const GridAxis& vols, double tau);

// Heat-map levels of one stress table: values above the centre spread over
// levels 1..8 (upper band), values below over -1..-8 (lower band).
struct StressBands
{
    double centre = 0.0;
    double upperHigh = 0.0;
    double upperLow = 0.0;
    double lowerHigh = 0.0;
    double lowerLow = 0.0;
    double upStep = 0.0;
    double downStep = 0.0;

    static StressBands of(const StressMatrix& values, double centre);

    // Truncated toward zero; a level that is no number or beyond the int
    // range (a band of equal values divides by a zero step) gives INT_MIN.
    int level(double x) const;
};
