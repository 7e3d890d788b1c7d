#include "StressGrid.h"

#include "AccuratePricer.h"
#include "AutoCallSolver.h"
#include "GridGreeks.h"
#include "ParameterSearch.h"
#include "RequestMarket.h"
#include "Refusal.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

int grid_point_count(double start, double end, double step)
{
    const double q = (end - start) / step + 1.0;
    // A zero or non-number step gives an infinite or NaN quotient, which the
    // conversion to int has always turned into "no points".
    if (!std::isfinite(q) || q < 1.0)
        return 0;
    if (q >= kMaxGridPoints + 1.0)
        return kMaxGridPoints + 1;
    return static_cast<int>(q);   // truncation toward zero, no tolerance
}

namespace {

Refusal axis_refusal(const GridAxis& prices, const GridAxis& vols)
{
    if (prices.count < 1 || vols.count < 1)
        return Refusal{RefusalCode::EmptyAxis, "an axis of the stress grid has no point", 0, 0};
    if (prices.count > kMaxGridPoints || vols.count > kMaxGridPoints)
        return Refusal{RefusalCode::AxisTooLong,
                       "an axis of the stress grid has more than " + std::to_string(kMaxGridPoints) + " points", 0, 0};
    return Refusal();
}

// Elapsed years of a valuation at remaining time tau, as the lookups clamp it.
double elapsed_for(double tau, double T)
{
    if (!(tau >= 0.0) || tau > T)
        return 0.0;
    return T - tau;
}

// One volatility's row on the design grid: false when the hook stopped it
// (a run that failed leaves the row NaN and goes on).
bool design_row(const PricingRequest& r, const GridAxis& prices, double tau, const ProgressHook& progress,
                std::vector<double>& tv, std::vector<double>& delta, std::vector<double>& gamma)
{
    // The run, then its Greeks over the whole grid: both can take seconds.
    const double runShare = 0.9;
    SolverResult run = auto_call_finite_diff_implicit(r.contract, r.model, GridOutput::ValueGrids,
                                                      StepMethod::Factored, progress_part(progress, 0.0, runShare));
    if (!run.ok())
        return run.outcome != Outcome::Cancelled;
    NEWMAT::Matrix d, g, theta;
    const bool greeks = run.price_grid.Nrows() >= 2 && run.price_grid.Ncols() >= 2;
    if (greeks && !finite_difference_greeks(run.price_grid, run.dS, run.dt, d, g, theta,
                                            progress_part(progress, runShare, 1.0 - runShare)))
        return false;
    const PDEParams& m = r.model;
    for (int i = 0; i < prices.count; ++i) {
        const double s = prices.at(i);
        const std::size_t k = static_cast<std::size_t>(i);
        tv[k] = grid_lookup(run.price_grid, s, tau, m.T, m.N, run.dS, run.dt);
        if (greeks) {
            delta[k] = grid_lookup(d, s, tau, m.T, m.N, run.dS, run.dt);
            gamma[k] = grid_lookup(g, s, tau, m.T, m.N, run.dS, run.dt);
        }
    }
    return true;
}

}  // namespace

StressResult stress_grid(const PricingRequest& request, const GridAxis& prices, const GridAxis& vols, double tau)
{
    StressResult out;
    Refusal why = request.method == PricingMethod::ReferenceMonteCarlo
                      ? Refusal{RefusalCode::NotForMethod, "the reference Monte Carlo gives no Greeks", 0, 0}
                      : axis_refusal(prices, vols);
    if (!why && request.market)
        why = pricing_refusal(request);
    if (why) {
        out.refuse(why);
        return out;
    }
    // Nothing may escape to the window's event loop: a fault of the matrix
    // library or an allocation that fails ends as a failure.
    try {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const std::vector<double> nanRow(static_cast<size_t>(prices.count), nan);
        out.tv.assign(static_cast<size_t>(vols.count), nanRow);
        out.delta = out.tv;
        out.gamma = out.tv;

        PricingRequest work = request;
        for (int j = 0; j < vols.count; ++j) {
            const std::size_t row = static_cast<std::size_t>(j);
            set_term(work, Param::Sigma, vols.at(j));
            const ProgressHook part = progress_part(request.progress, j / static_cast<double>(vols.count),
                                                    1.0 / vols.count);
            if (request.method == PricingMethod::DesignGrid) {
                if (!design_row(work, prices, tau, part, out.tv[row], out.delta[row], out.gamma[row])) {
                    out = StressResult();
                    out.cancel();
                    return out;
                }
                continue;
            }
            AccurateValuation valuation;
            valuation.elapsed = elapsed_for(tau, work.model.T);
            valuation.reach = std::max(prices.at(0), prices.at(prices.count - 1));
            const RequestMarket market = request_market(work);
            if (market.refusal)
                continue;  // a shift the market refuses: a row of NaN
            const AccurateSolution solution =
                market.market ? solve_accurate(work.contract, *market.market, work.model.T, work.year_days,
                                               accurate_resolution(*market.market), valuation, part)
                              : solve_accurate(work.contract, work.model, work.year_days, valuation, part);
            if (solution.outcome == Outcome::Cancelled) {
                out = StressResult();
                out.cancel();
                return out;
            }
            if (!solution.ok())
                continue;  // a row of NaN
            for (int i = 0; i < prices.count; ++i) {
                const double s = prices.at(i);
                const std::size_t column = static_cast<std::size_t>(i);
                out.tv[row][column] = solution.value(s, false);
                out.delta[row][column] = solution.delta(s, false);
                out.gamma[row][column] = solution.gamma(s, false);
            }
        }
    } catch (...) {
        out = StressResult();
        out.fail("the matrix library or the memory gave out");
        return out;
    }
    out.outcome = Outcome::Ok;
    return out;
}

StressBands StressBands::of(const StressMatrix& values, double centre)
{
    StressBands b;
    b.centre = centre;
    b.upperHigh = centre;
    b.upperLow = DBL_MAX;
    b.lowerHigh = -DBL_MAX;
    b.lowerLow = centre;
    for (const std::vector<double>& row : values) {
        for (double x : row) {
            if (x > centre) {
                if (x > b.upperHigh)
                    b.upperHigh = x;
                if (x < b.upperLow)
                    b.upperLow = x;
            } else if (x < centre) {
                if (x > b.lowerHigh)
                    b.lowerHigh = x;
                if (x < b.lowerLow)
                    b.lowerLow = x;
            }
        }
    }
    b.upStep = (b.upperHigh - b.upperLow) / 7.0;
    b.downStep = (b.lowerHigh - b.lowerLow) / 7.0;
    return b;
}

int StressBands::level(double x) const
{
    const double l = x > centre ? (x - upperLow) / upStep + 1.0 : (x - lowerHigh) / downStep - 1.0;
    // Compare before converting: a float-to-int conversion out of range is undefined.
    if (!(l > static_cast<double>(INT_MIN) - 1.0 && l < static_cast<double>(INT_MAX) + 1.0))
        return INT_MIN;
    return static_cast<int>(l);
}
