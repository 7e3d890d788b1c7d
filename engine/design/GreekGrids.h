#pragma once

#include "AutoCallSolver.h"
#include "Valuation.h"

#include <newmat/newmat.h>

// The three design-grid runs behind the Greeks, each keeping its two value
// grids: the base, the volatility raised by bump_vol and the rate raised by
// bump_rate, in that order, each a third of the progress. A run that is not
// ok stops the rest (they stay default).
struct GreekRuns
{
    PDEParams vol_up_params, rate_up_params;
    SolverResult base, vol_up, rate_up;
};
GreekRuns greek_runs(const SnowballContract& contract, const PDEParams& params, double bump_vol, double bump_rate,
                     const ProgressHook& progress);

// The value grids of the three runs and the Greek grids built from them
// (Delta, Gamma, Theta by finite differences; Vega and Rho the bumped
// differences times their scale), read at any spot and remaining time with
// the lookups' rule.
class GreekGrids
{
public:
    // Takes the runs' grids; false (and empty grids) when they do not all
    // have one shape or the memory gives out.
    bool build(GreekRuns& runs, const PDEParams& params, double scale_vol, double scale_rate);

    // Price and Greeks at the point, in the grids' units (Theta per year,
    // Vega and Rho per 1.00); failed off the grid.
    GreeksValuation at(const LookupPoint& point) const;

    const NEWMAT::Matrix& price_grid(bool knocked_in) const { return knocked_in ? price_ki_ : price_; }

private:
    double read(const NEWMAT::Matrix& grid, const LookupPoint& point) const;

    NEWMAT::Matrix price_, delta_, gamma_, theta_, vega_, rho_;
    NEWMAT::Matrix price_ki_, delta_ki_, gamma_ki_, theta_ki_, vega_ki_, rho_ki_;
    double dS_ = 0.0, dt_ = 0.0, T_ = 0.0;
    int N_ = 0;
};
