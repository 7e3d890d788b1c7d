#include "Snowball_PDE.h"

#include "AppLogger.h"
#include "GreekGrids.h"
#include "Pricer.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double first_or_nan(const std::vector<double>& values) { return values.empty() ? kNaN : values.front(); }

}  // namespace

Snowball_PDE::Snowball_PDE() : saved_value(kNaN) {}

void Snowball_PDE::set_structure(const SnowballContract& c, const PDEParams& p)
{
    try {
        SnowballContract copy(c);  // first: c may be this engine's own contract
        contract = std::move(copy);
    } catch (const std::bad_alloc&) {
        // No schedule rather than the previous one: every price is then NaN.
        for (std::vector<double>* list :
             {&contract.obs_times, &contract.ko_barrier, &contract.ko_coupon, &contract.ki_barrier})
            std::vector<double>().swap(*list);
        contract.div_coupon = c.div_coupon;
        contract.floor_price = c.floor_price;
        contract.call_strike = c.call_strike;
        contract.call_participation = c.call_participation;
        contract.form = c.form;
        AppLogger::instance().log(AppLogger::Err, "set_structure refused: out of memory for the schedule.");
    }
    params = p;
    initialised = true;
}

void Snowball_PDE::set_grid_size(int M, int N)
{
    params.M = M;
    params.N = N;
}

void Snowball_PDE::keep_run(SolverResult& result, PDEParams& p, NEWMAT::Matrix* price, NEWMAT::Matrix* price_ki,
                            bool steps)
{
    // A NaN dividend yield is taken as 0 by every run that got that far.
    if (!std::isnan(result.q))
        p.q = result.q;
    if (steps && result.grid_laid_out) {
        dS = result.dS;
        dt = result.dt;
    }
    if (!result.ok())
        return;
    // Release() hands the storage over instead of copying the grid.
    result.price_grid.Release();
    *price = result.price_grid;
    result.price_ki_grid.Release();
    *price_ki = result.price_ki_grid;
}

double Snowball_PDE::price()
{
    if (method == PricingMethod::DesignGrid) {
        // The design's run takes a NaN dividend yield as 0 and says so here.
        error_estimate = kNaN;
        const SolverResult result = auto_call_finite_diff_implicit(contract, params, GridOutput::PriceOnly,
                                                                   StepMethod::Factored, progress_hook());
        if (!std::isnan(result.q))
            params.q = result.q;
        return result.price;
    }
    const Valuation v = ::price(request());
    error_estimate = v.error_estimate.value_or(kNaN);
    return v.value;
}

double Snowball_PDE::price_with_grids()
{
    SolverResult result =
        auto_call_finite_diff_implicit(contract, params, GridOutput::ValueGrids, StepMethod::Factored, progress_hook());
    keep_run(result, params, &Price, &Price_KI, true);
    return result.price;
}

bool Snowball_PDE::calculate()
{
    GreekRuns runs = greek_runs(contract, params, bump_vol, bump_rate, progress_hook());
    params_vol_up = runs.vol_up_params;
    params_rate_up = runs.rate_up_params;
    keep_run(runs.base, params, &Price, &Price_KI, true);
    if (!runs.base.ok())
        return false;
    keep_run(runs.vol_up, params_vol_up, &Price_vol_up, &Price_KI_vol_up, false);
    if (!runs.vol_up.ok())
        return false;
    keep_run(runs.rate_up, params_rate_up, &Price_rate_up, &Price_KI_rate_up, false);
    if (!runs.rate_up.ok())
        return false;
    // The runs may have replaced a NaN q by 0 in params only.
    params_vol_up.q = params_rate_up.q = params.q;

    try {
        const int rows = params.M + 1;
        const int columns = params.N + 1;
        for (NEWMAT::Matrix* grid :
             {&Delta, &Gamma, &Theta, &Vega, &Rho, &Delta_KI, &Gamma_KI, &Theta_KI, &Vega_KI, &Rho_KI})
            grid->ReSize(rows, columns);
    } catch (const NEWMAT::BaseException&) {
        return false;
    } catch (const std::bad_alloc&) {
        AppLogger::instance().log(AppLogger::Err, "calculate refused: out of memory for the Greek grids.");
        return false;
    }
    return true;
}

void Snowball_PDE::copy_structure_from(const Snowball_PDE& other)
{
    if (this == &other)
        return;
    set_structure(other.contract, other.params);
    initialised = other.initialised;
    method = other.method;
    year_days = other.year_days;
}

namespace {

// Years from inception to the valuation time of a lookup at remaining time
// tau, clamped as the grid lookups clamp their time column.
double elapsed_for(double tau, double T)
{
    if (!(tau >= 0.0) || tau > T)
        return 0.0;
    return T - tau;
}

}  // namespace

GreeksValuation Snowball_PDE::accurate_lookup(double S, double tau, bool knocked_in) const
{
    return greeks_accurate_at(contract, params, year_days, S, elapsed_for(tau, params.T), knocked_in,
                              progress_hook());
}

AccurateSolution Snowball_PDE::accurate_solution(double tau) const
{
    AccurateValuation valuation;
    valuation.elapsed = elapsed_for(tau, params.T);
    return solve_accurate(contract, params, year_days, valuation, progress_hook());
}

std::string Snowball_PDE::description() const
{
    std::string text;
    char buffer[1024];
    for (double t : contract.obs_times) {
        std::snprintf(buffer, sizeof buffer, "%f-", t);
        text += buffer;
    }
    // Empty schedules print nan in their places.
    std::snprintf(buffer, sizeof buffer, "%f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f",
                  first_or_nan(contract.ko_barrier), first_or_nan(contract.ko_coupon),
                  first_or_nan(contract.ki_barrier), contract.div_coupon, contract.floor_price,
                  contract.call_strike, contract.call_participation, contract.option_form() ? 1.0 : 0.0,
                  params.S0, params.S_max, params.sigma, params.r, params.q, params.T,
                  static_cast<double>(params.M), static_cast<double>(params.N));
    text += buffer;
    return text;
}

PricingRequest Snowball_PDE::request() const
{
    PricingRequest r;
    r.contract = contract;
    r.model = params;
    r.year_days = year_days;
    r.method = method;
    r.progress = progress_hook();
    return r;
}

void Snowball_PDE::set_param(Param index, double value) { set_term(contract, params, index, value); }

void Snowball_PDE::save_param(Param index) { saved_value = term_value(contract, params, index); }

void Snowball_PDE::restore_param(Param index) { set_param(index, saved_value); }

SearchStatus Snowball_PDE::solve_param(double target, int index, double* result, double lo, double hi)
{
    Param param;
    if (!param_from_number(index, param))
        return SearchStatus::UnknownParam;
    return solve_param(target, param, result, lo, hi);
}

SearchStatus Snowball_PDE::solve_param(double target, Param index, double* result, double lo, double hi)
{
    save_param(index);
    SearchSettings settings;
    settings.epsilon = epsilon;
    settings.max_iter = max_iter;
    settings.trace = trace_hook();
    const SearchResult found = solve_term(request(), index, target, lo, hi, settings);
    // The search leaves the term as save and restore do: schedules flat at their first entry.
    restore_param(index);
    if (result && found.status != SearchStatus::TargetOutside)
        *result = found.value;
    return found.status;
}
