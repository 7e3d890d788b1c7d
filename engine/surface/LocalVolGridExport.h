#pragma once

#include "DupireLocalVol.h"
#include "LocalVolGrid.h"
#include "MarketResult.h"

#include <vector>

// How finely a local volatility is written out as a grid.
struct GridExportOptions
{
    double level_step = 0.01;    // level spacing, as a fraction of the spot
    int year_days = 243;         // the clock's days per year: daily rows are 1 / year_days long
    // Daily rows up to here (years): short skews move fastest, and a snowball's
    // price follows the variance between its observation dates (a row that
    // straddles one moves variance across it), so the first year is daily.
    double daily_until = 1.0;
    double weekly_until = 2.0;   // then rows of 5 days; then of 10 days to the last expiry
};

// Samples lv as a local volatility grid: levels over the price band of every
// row (outside it the local volatility is flat in moneyness already), rows
// at the steps above plus every expiry (where the local volatility jumps),
// each row the root of the mean local variance over its interval (two-point
// Gauss in time at each level), so a solver stepping on the rows sees the
// variance the surface spreads over them; each inner level's value then less
// a twelfth of the second difference across its neighbours, so that the
// grid's linear interpolation keeps the surface's mean over each cell
// instead of lying above a convex smile everywhere. Refused, with the
// reason, when lv is not defined somewhere on it.
MarketResult<LocalVolGrid> export_local_vol_grid(const DupireLocalVol& lv, const std::vector<double>& expiries,
                                                 const GridExportOptions& options = GridExportOptions());
