#pragma once

#include "EngineHooks.h"
#include "MarketModel.h"
#include "MonitoringSchedule.h"
#include "PDEParams.h"
#include "SnowballContract.h"
#include "Valuation.h"

#include <limits>
#include <string>
#include <vector>

// Accurate mode: prices a snowball to a quotable accuracy with an error
// estimate, monitoring as the contract does (knock-in at every trading day's
// close, knock-out on the observation dates only) instead of on every grid
// column. The payouts are the grid solver's (auto_call_finite_diff_implicit);
// from the model it takes S0, sigma, r, q and T, and not S_max, M or N: the
// grid is its own.
//
// Numerics: Crank-Nicolson on a sinh-stretched price grid (nodes crowded at
// the knock-in barriers, the spot and the knock-out barriers, each barrier on
// a node), with two implicit half-steps after every monitoring moment
// (Rannacher) so the jumps the conditions leave do not ring, and four times
// the time steps from today to the next moment, whose jump has only that
// interval to smooth out before today's Greeks are read; discontinuities
// applied with cell weights so the error falls smoothly with the step;
// two resolutions (the second halving every price and time step) combined by
// Richardson extrapolation, their difference giving the error estimate.

// Price cells and time steps per trading day of the coarse level; the fine
// level has twice as many of both. The default keeps the extrapolated price
// of the usual structures within about 0.001 (see the convergence test).
struct AccurateResolution
{
    int base_cells = 160;
    int steps_per_day = 2;
};

// Where and when a solve values the structure: `elapsed` years after
// inception (normally a whole number of trading days; coupons still accrue
// from inception and the daily closes stay k / year_days from inception),
// with the price grid crowded around grid_spot (NaN: the model's S0, which
// stays the notional either way). The default is inception at S0.
struct AccurateValuation
{
    double elapsed = 0.0;
    double grid_spot = std::numeric_limits<double>::quiet_NaN();
    // The highest spot the solution will be read at (a stress axis): the
    // grid's top moves up to hold it when the usual top lies below it.
    double reach = 0.0;
};

// The structure's value at the valuation time at any spot, from one solve.
class AccurateSolution : public Answer
{
public:

    // Value, Delta, Gamma at spot S of the structure that has not knocked in
    // (knocked_in false: today's close still checks the knock-in barrier) or
    // has. Smooth in S (interpolated on the fine grid), NaN outside the grid
    // or when not ok().
    double value(double S, bool knocked_in) const;
    double delta(double S, bool knocked_in) const;
    double gamma(double S, bool knocked_in) const;
    // Bound on |value - exact value|, from the differences of the resolutions.
    double error_estimate(double S, bool knocked_in) const;
    // Value change per year as the valuation date moves to the next
    // monitoring moment (the next close), the contract's dates unchanged.
    double theta(double S, bool knocked_in) const;

    // What the two resolutions hold, for tests and tools.
    struct Level
    {
        std::vector<double> S;                          // nodes
        std::vector<double> nki, ki;                    // values today before today's checks
        std::vector<double> nki_next, ki_next;          // values at the next moment before its checks
        std::vector<double> nki_delta, ki_delta, nki_gamma, ki_gamma;  // of nki, ki by node
        long time_steps = 0;
    };
    const Level& coarse() const { return levels_[0]; }
    const Level& fine() const { return levels_[1]; }
    const Level& time_refined() const { return levels_[2]; }  // coarse prices, fine time steps
    // The fine level alone, without extrapolation (for convergence studies).
    double fine_value(double S, bool knocked_in) const;
    double coarse_value(double S, bool knocked_in) const;

private:
    friend class AccurateSolver;
    PDEParams model() const;
    double level_value(int level, double S, bool knocked_in) const;
    double level_derivative(int level, double S, bool knocked_in, int order) const;
    double level_next_value(int level, double S, bool knocked_in) const;

    SnowballContract contract_;
    double S0_ = 0.0, r_ = 0.0, q_ = 0.0, T_ = 0.0;
    MonitoringEvent today_, next_;
    Level levels_[3];
};

// Solves with the default resolution. Never throws: refusals (what
// pricing_refusal says of the accurate method) and failures come back in the
// solution's outcome.
AccurateSolution solve_accurate(const SnowballContract& contract, const PDEParams& model, int year_days,
                                const ProgressHook& progress = ProgressHook());

// The same at another resolution: the accuracy knob for convergence studies.
AccurateSolution solve_accurate(const SnowballContract& contract, const PDEParams& model, int year_days,
                                const AccurateResolution& resolution,
                                const ProgressHook& progress = ProgressHook());

// The same at a valuation time after inception and with the grid crowded at
// another spot; AccurateValuation() gives exactly the solve above. Refuses a
// valuation time outside [0, T).
AccurateSolution solve_accurate(const SnowballContract& contract, const PDEParams& model, int year_days,
                                const AccurateValuation& valuation,
                                const ProgressHook& progress = ProgressHook());

// The default resolution of a market model: the flat one's, and for any
// other 1.5 times the price cells. Coefficients that change in price and
// time (a skew's kinks, the curves' pieces) leave the two levels short of
// their asymptotic range at 160 cells on structures with many close barriers
// (the two-year step-down), where the estimate then misses the error; at
// 240 it covers it again.
AccurateResolution accurate_resolution(const MarketModel& market);

// The same under a market model (curves, a term curve, local volatility),
// the structure maturing T years after the valuation date: the pricing
// equation with r(t), q(t) and sigma(S, t) on the same monitoring, grid and
// extrapolation. A flat market model gives exactly the flat model's numbers.
AccurateSolution solve_accurate(const SnowballContract& contract, const MarketModel& market, double T, int year_days,
                                const ProgressHook& progress = ProgressHook());
AccurateSolution solve_accurate(const SnowballContract& contract, const MarketModel& market, double T, int year_days,
                                const AccurateResolution& resolution, const AccurateValuation& valuation,
                                const ProgressHook& progress = ProgressHook());

// Price and Greeks at spot S, in the units of the grid engine's Greek grids
// (see GreeksValuation; central bumps of 0.01 in volatility and rate on the
// same grid), with the price's error estimate.
GreeksValuation greeks_accurate(const SnowballContract& contract, const PDEParams& model, int year_days, double S,
                                bool knocked_in, const ProgressHook& progress = ProgressHook());

// The same `elapsed` years after inception, on grids crowded at S (the
// lookups at a spot and a later date); elapsed 0 and S = model.S0 give
// exactly greeks_accurate.
GreeksValuation greeks_accurate_at(const SnowballContract& contract, const PDEParams& model, int year_days,
                                   double S, double elapsed, bool knocked_in,
                                   const ProgressHook& progress = ProgressHook());

// Both under a market model: Vega per 1.00 of a parallel shift of whichever
// volatility input is in use (central shifts of 0.01, one-sided where the
// input refuses the shift down), Rho per 1.00 of a parallel shift of the
// rate curve (the dividend curve stays).
GreeksValuation greeks_accurate(const SnowballContract& contract, const MarketModel& market, double T, int year_days,
                               double S, bool knocked_in, const ProgressHook& progress = ProgressHook());
GreeksValuation greeks_accurate_at(const SnowballContract& contract, const MarketModel& market, double T, int year_days,
                                  double S, double elapsed, bool knocked_in,
                                  const ProgressHook& progress = ProgressHook());
