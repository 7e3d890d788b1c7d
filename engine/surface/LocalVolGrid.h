#pragma once

#include "DupireLocalVol.h"
#include "LocalVolatility.h"

#include <string>
#include <vector>

// A local volatility grid: absolute price levels L_1 < ... < L_k and rows
// ending at times t_1 < ... < t_n. sigma(S, t) for t in (t_{j-1}, t_j] is row
// j (t_0 = 0), linear in S between levels and flat outside [L_1, L_k]; past
// the last row the last row continues.
struct LocalVolGrid : public LocalVolatility
{
    std::vector<double> levels;
    std::vector<double> times;
    std::vector<std::vector<double>> vols;  // vols[j][i]: row j at level i (decimal)

    bool sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                  std::string& error) const override;
    std::vector<double> time_breaks() const override { return times; }
};

// How finely a local volatility is written out.
struct GridExportOptions
{
    double level_step = 0.01;    // level spacing, as a fraction of the spot
    int year_days = 252;         // the clock's days per year: daily rows are 1 / year_days long
    double daily_until = 0.25;   // daily rows up to here (years), where short skews move fastest
    double weekly_until = 1.0;   // then rows of 5 days; then of 10 days to the last expiry
};

// Samples lv as a grid: levels over the price band of every row (outside it
// the local volatility is flat in moneyness already), rows at the steps
// above plus every expiry (where the local volatility jumps), each row the
// root of the mean local variance over its interval (two-point Gauss in
// time at each level), so a solver stepping on the rows sees the variance
// the surface spreads over them; each inner level's value then less a
// twelfth of the second difference across its neighbours, so that the
// grid's linear interpolation keeps the surface's mean over each cell
// instead of lying above a convex smile everywhere. False, with the reason,
// when lv is not defined somewhere on it.
bool export_local_vol_grid(const DupireLocalVol& lv, const std::vector<double>& expiries,
                           const GridExportOptions& options, LocalVolGrid& out, std::string& error);
