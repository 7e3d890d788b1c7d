#pragma once

#include <climits>
#include <vector>

class Snowball_PDE;

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

struct StressResult
{
    StressMatrix tv;
    StressMatrix delta;
    StressMatrix gamma;
};

enum class StressStatus
{
    Ok,
    NotInitialised,   // the engine holds no structure yet
    NoPoints,         // an axis has fewer than one point
    TooManyPoints,    // an axis has more than kMaxGridPoints points
    Failed,           // the matrix library or the memory gave out; out is cleared
};

// The S-sigma stress test on a private copy of engine (which is left as it
// is): for each volatility one grid solve (set_param 3, price_with_grids,
// create_grid_greeks), then value, Delta and Gamma at every price with the
// remaining time tau (years), not knocked in. A volatility whose solve fails
// gives a row of NaN rather than the previous volatility's grid. In accurate
// mode each volatility is one accurate solve at the remaining time tau
// instead, read at every price.
StressStatus run_stress_grid(const Snowball_PDE& engine, const GridAxis& prices,
                             const GridAxis& vols, double tau, StressResult& out);

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
