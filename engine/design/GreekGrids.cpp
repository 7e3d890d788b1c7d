#include "GreekGrids.h"

#include "GridGreeks.h"

#include <cmath>
#include <new>

GreekRuns greek_runs(const SnowballContract& contract, const PDEParams& params, double bump_vol, double bump_rate,
                     const ProgressHook& progress)
{
    GreekRuns runs;
    runs.vol_up_params = params;
    runs.vol_up_params.sigma = params.sigma + bump_vol;
    runs.rate_up_params = params;
    runs.rate_up_params.r = params.r + bump_rate;
    const PDEParams* blocks[3] = {&params, &runs.vol_up_params, &runs.rate_up_params};
    SolverResult* results[3] = {&runs.base, &runs.vol_up, &runs.rate_up};
    for (int i = 0; i < 3; ++i) {
        *results[i] = auto_call_finite_diff_implicit(contract, *blocks[i], GridOutput::ValueGrids,
                                                     StepMethod::Factored, progress_part(progress, i / 3.0, 1.0 / 3.0));
        if (!results[i]->ok())
            break;
    }
    return runs;
}

bool GreekGrids::build(GreekRuns& runs, const PDEParams& params, double scale_vol, double scale_rate)
{
    SolverResult* all[3] = {&runs.base, &runs.vol_up, &runs.rate_up};
    for (SolverResult* run : all)
        if (!run->ok() || !same_shape(run->price_grid, runs.base.price_grid) ||
            !same_shape(run->price_ki_grid, runs.base.price_grid))
            return false;
    if (runs.base.price_grid.Nrows() < 2 || runs.base.price_grid.Ncols() < 2)
        return false;
    try {
        dS_ = runs.base.dS;
        dt_ = runs.base.dt;
        T_ = params.T;
        N_ = params.N;
        finite_difference_greeks(runs.base.price_grid, dS_, dt_, delta_, gamma_, theta_);
        bump_sensitivity(runs.vol_up.price_grid, runs.base.price_grid, scale_vol, vega_);
        bump_sensitivity(runs.rate_up.price_grid, runs.base.price_grid, scale_rate, rho_);
        finite_difference_greeks(runs.base.price_ki_grid, dS_, dt_, delta_ki_, gamma_ki_, theta_ki_);
        bump_sensitivity(runs.vol_up.price_ki_grid, runs.base.price_ki_grid, scale_vol, vega_ki_);
        bump_sensitivity(runs.rate_up.price_ki_grid, runs.base.price_ki_grid, scale_rate, rho_ki_);
        // Release() hands the storage over instead of copying the grid.
        runs.base.price_grid.Release();
        price_ = runs.base.price_grid;
        runs.base.price_ki_grid.Release();
        price_ki_ = runs.base.price_ki_grid;
        return true;
    } catch (const NEWMAT::BaseException&) {
    } catch (const std::bad_alloc&) {
    }
    *this = GreekGrids();
    return false;
}

double GreekGrids::read(const NEWMAT::Matrix& grid, const LookupPoint& point) const
{
    return grid_lookup(grid, point.spot, point.tau, T_, N_, dS_, dt_);
}

GreeksValuation GreekGrids::at(const LookupPoint& p) const
{
    GreeksValuation g;
    const bool in = p.knocked_in;
    g.price = read(in ? price_ki_ : price_, p);
    g.delta = read(in ? delta_ki_ : delta_, p);
    g.gamma = read(in ? gamma_ki_ : gamma_, p);
    g.theta = read(in ? theta_ki_ : theta_, p);
    g.vega = read(in ? vega_ki_ : vega_, p);
    g.rho = read(in ? rho_ki_ : rho_, p);
    if (std::isnan(g.price))
        g.fail("the spot lies off the price grid, or no grid was computed");
    else
        g.outcome = Outcome::Ok;
    return g;
}
