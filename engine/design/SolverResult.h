#pragma once

#include <newmat/newmat.h>

#include "EngineHooks.h"
#include "Valuation.h"

#include <limits>

// Whether a solver run keeps its two value grids whole (lookups, Greeks,
// matrix output) or only the price at the spot.
enum class GridOutput { PriceOnly, ValueGrids };

// What one solver run gives back. Grids are filled only when asked for and
// the run succeeded; dS and dt as soon as the grid was laid out. The price is
// NaN unless the run is ok().
struct SolverResult : Answer
{
    double price = std::numeric_limits<double>::quiet_NaN();  // today, at the spot node
    bool grid_laid_out = false;
    double dS = std::numeric_limits<double>::quiet_NaN();
    double dt = std::numeric_limits<double>::quiet_NaN();
    double q = std::numeric_limits<double>::quiet_NaN();  // the dividend yield the run used
    NEWMAT::Matrix price_grid;                            // not knocked in, (M+1) x (N+1)
    NEWMAT::Matrix price_ki_grid;                         // knocked in
};
