#include "AutoCallSolver.h"

#include "Refusal.h"

#include "AppLogger.h"
#include "BarrierConditions.h"
#include "EngineMemory.h"
#include "SnowballGrid.h"
#include "SnowballPayoff.h"
#include "SnowballContract.h"
#include "TridiagonalOperator.h"
#include "ValueGrids.h"

#include <newmat/newmat.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

// One implicit step for both grids with the factored operator.
class FactoredStep
{
public:
    explicit FactoredStep(TridiagonalOperator& op) : op_(op) {}
    bool ready() { return op_.factor(); }
    void operator()(const double* nki_next, const double* ki_next, double* nki, double* ki, double bc_low,
                    double bc_high) const
    {
        op_.solve_pair(nki_next, ki_next, nki, ki, bc_low, bc_high);
    }

private:
    TridiagonalOperator& op_;
};

// One implicit step as the product with the dense inverse of the operator.
class DenseInverseStep
{
public:
    DenseInverseStep(int M, double mu, double r, double sigma2, double dt)
        : M_(M), mu_(mu), r_(r), sigma2_(sigma2), dt_(dt), rhs_(static_cast<std::size_t>(M - 1))
    {
    }
    bool ready() { return implicit_operator_inverse(M_, mu_, r_, sigma2_, dt_, inverse_); }
    void operator()(const double* nki_next, const double* ki_next, double* nki, double* ki, double bc_low,
                    double bc_high)
    {
        multiply(nki_next, nki, bc_low, bc_high);
        multiply(ki_next, ki, bc_low, bc_high);
    }

private:
    // x = inverse * (next - bc)
    void multiply(const double* next, double* x, double bc_low, double bc_high)
    {
        const std::size_t L = rhs_.size();
        std::copy(next, next + L, rhs_.begin());
        rhs_.front() -= bc_low;
        rhs_.back() -= bc_high;
        const double* row = inverse_.Store();
        for (std::size_t i = 0; i < L; ++i, row += L) {
            double sum = 0.0;
            for (std::size_t k = 0; k < L; ++k)
                sum += row[k] * rhs_[k];
            x[i] = sum;
        }
    }

    int M_;
    double mu_, r_, sigma2_, dt_;
    NEWMAT::Matrix inverse_;
    std::vector<double> rhs_;
};

// Steps both grids from maturity back to today, applying knock-in on every
// column and knock-out on the observation columns.
// False when the progress hook stopped the run.
template <class Step>
bool step_back_to_today(const SnowballGrid& grid, const SnowballPayoff& payoff, const TridiagonalOperator& op,
                        const std::vector<double>& lower, const std::vector<double>& upper, Step& step,
                        ValueGrids& values, const ProgressHook& progress)
{
    const int M = grid.M;
    const double lower_coupling = op.lower_coupling();
    const double upper_coupling = op.upper_coupling();
    int period = static_cast<int>(grid.obs_col.size()) - 1;

    for (int j = grid.N - 1; j >= 0; --j) {
        double* nki = values.not_knocked_in(j);
        double* ki = values.knocked_in(j);
        const double* nki_next = values.not_knocked_in(j + 1);
        const double* ki_next = values.knocked_in(j + 1);

        nki[0] = ki[0] = lower[j];
        nki[M] = ki[M] = upper[j];
        // The boundary values of column j enter the implicit equations of
        // the nodes next to them; both grids share the boundaries.
        const double bc_low = lower_coupling * lower[j];
        const double bc_high = upper_coupling * upper[j];
        step(nki_next + 1, ki_next + 1, nki + 1, ki + 1, bc_low, bc_high);

        apply_knock_in(grid, period, nki, ki);
        if (period > 0 && j == grid.obs_col[period - 1]) {
            apply_knock_out(grid, payoff, period - 1, j, nki, ki);
            --period;
        }
        if (progress && !progress(static_cast<double>(grid.N - j) / grid.N))
            return false;
    }
    return true;
}

void run(const SnowballContract& terms, const PDEParams& params, GridOutput output, StepMethod method,
         const ProgressHook& progress, SolverResult& result)
{
    const int M = params.M;
    const int N = params.N;
    const Refusal why = design_grid_refusal(terms, params);
    if (why.code == RefusalCode::PriceSteps || why.code == RefusalCode::TimeSteps)
        AppLogger::instance().log(AppLogger::Err,
                                  "auto_call_finite_diff_implicit(%d, %d) refused: M must be at least 3 and N "
                                  "at least 1.",
                                  M, N);
    // An empty schedule, an observation before today or one on another's time
    // column is refused once the grid is laid out, by observation_columns,
    // which names the observation in the log.
    const bool after_layout = why.code == RefusalCode::NoObservations ||
                              why.code == RefusalCode::ObservationBeforeToday ||
                              why.code == RefusalCode::ObservationsShareStep;
    if (why && !after_layout) {
        result.refuse(why);
        return;
    }
    result.q = std::isnan(params.q) ? 0.0 : params.q;
    const double mu = params.r - result.q;

    const auto started = std::chrono::steady_clock::now();
    const double sigma2 = params.sigma * params.sigma;
    SnowballGrid grid;
    grid.M = M;
    grid.N = N;
    grid.dS = params.S_max / M;
    grid.dt = params.T / N;
    result.grid_laid_out = true;
    result.dS = grid.dS;
    result.dt = grid.dt;

    if (!observation_columns(terms.obs_times, grid.dt, params.T, grid.obs_col)) {
        if (why)
            result.refuse(why);
        else
            result.fail("the observation times do not fit the time grid");
        return;
    }
    grid.place_barriers(terms);

    const bool keep_grids = output == GridOutput::ValueGrids;
    const double cells = (static_cast<double>(M) + 1.0) * (static_cast<double>(N) + 1.0);
    if ((keep_grids && cells > static_cast<double>(INT_MAX)) ||
        !fits_in_memory(ValueGrids::bytes_needed(M, N, keep_grids))) {
        AppLogger::instance().log(AppLogger::Err,
                                  "auto_call_finite_diff_implicit(%d, %d) refused: the grids need %.0f MB, "
                                  "more than the engine can hold.",
                                  M, N, ValueGrids::bytes_needed(M, N, keep_grids) / (1024.0 * 1024.0));
        result.fail("the grids need more memory than the engine can hold");
        return;
    }

    const SnowballPayoff payoff(terms, grid, params);
    ValueGrids values(M, N, keep_grids);
    const std::vector<double> lower = payoff.lower_boundary();
    const std::vector<double> upper = payoff.upper_boundary();
    payoff.maturity_column(values.not_knocked_in(N), values.knocked_in(N));
    values.not_knocked_in(N)[M] = values.knocked_in(N)[M] = upper[N];

    TridiagonalOperator op(M, mu, params.r, sigma2, grid.dt);
    bool stepped = false;
    bool finished = false;
    if (method == StepMethod::DenseInverse) {
        DenseInverseStep step(M, mu, params.r, sigma2, grid.dt);
        if ((stepped = step.ready()))
            finished = step_back_to_today(grid, payoff, op, lower, upper, step, values, progress);
    } else {
        FactoredStep step(op);
        if ((stepped = step.ready()))
            finished = step_back_to_today(grid, payoff, op, lower, upper, step, values, progress);
    }
    if (!stepped) {
        AppLogger::instance().log(AppLogger::Err,
                                  "auto_call_finite_diff_implicit(%d, %d) refused: the implicit operator cannot be "
                                  "%s.",
                                  M, N, method == StepMethod::DenseInverse ? "inverted" : "factored");
        result.fail("the implicit operator cannot be inverted or factored");
        return;
    }
    if (!finished) {
        AppLogger::instance().log(AppLogger::Info, "auto_call_finite_diff_implicit(%d, %d) stopped by its caller.", M,
                                  N);
        result.cancel();
        return;
    }

    if (keep_grids) {
        values.store_not_knocked_in(result.price_grid);
        values.store_knocked_in(result.price_ki_grid);
    }

    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    AppLogger::instance().log(AppLogger::Info, "auto_call_finite_diff_implicit(%d, %d) uses %d seconds.", M, N,
                              static_cast<int>(seconds));

    // The spot is read at the node at or below it, without interpolation.
    const int spot_node = static_cast<int>(std::trunc(params.S0 / grid.dS - 1.0)) + 1;
    result.price = values.not_knocked_in(0)[spot_node];
    result.outcome = Outcome::Ok;
}

}  // namespace

SolverResult auto_call_finite_diff_implicit(const SnowballContract& contract, const PDEParams& params,
                                            GridOutput output, StepMethod method, const ProgressHook& progress)
{
    SolverResult result;
    try {
        run(contract, params, output, method, progress, result);
        return result;
    } catch (const NEWMAT::BaseException&) {
        const char* what = NEWMAT::BaseException::what();
        AppLogger::instance().log(AppLogger::Err, "auto_call_finite_diff_implicit(%d, %d) failed: %s", params.M,
                                  params.N, what ? what : "matrix library error");
        result.fail("matrix library error");
    } catch (const std::bad_alloc&) {
        AppLogger::instance().log(AppLogger::Err, "auto_call_finite_diff_implicit(%d, %d) refused: out of memory.",
                                  params.M, params.N);
        result.fail("out of memory");
    } catch (const std::exception& e) {
        AppLogger::instance().log(AppLogger::Err, "auto_call_finite_diff_implicit(%d, %d) failed: %s", params.M,
                                  params.N, e.what());
        result.fail(e.what());
    }
    // The price is set last, so it is still NaN; no half-stored grids either.
    result.price = std::numeric_limits<double>::quiet_NaN();
    result.price_grid.CleanUp();
    result.price_ki_grid.CleanUp();
    return result;
}
