#pragma once

#include "MarketModel.h"
#include "PDEParams.h"
#include "SnowballContract.h"
#include "StretchedGrid.h"
#include "TridiagonalOperator.h"

#include <cmath>
#include <deque>
#include <map>
#include <exception>
#include <new>
#include <memory>
#include <string>
#include <vector>

// The accurate pricer's discretisation, for the computations that must step
// exactly as it does (its adjoint, the probability profile): the price grid,
// the Black-Scholes operator on it and the number of time steps between two
// monitoring moments.

// The sinh-stretched grid of one structure: nodes crowded at the knock-in
// barriers, the spot and the knock-out barriers, each of them on a node, the
// top far above everything. Empty (or null) when it cannot be built. reach:
// the highest price the solution is read at; when it lies above the usual
// top, the top moves to 1.5 times it (the usual grid otherwise).
std::unique_ptr<StretchedGrid> accurate_price_grid(const SnowballContract& contract, const PDEParams& model,
                                                   int base_cells, double reach = 0.0);

// L V_i = l_i V_{i-1} + d_i V_i + u_i V_{i+1} on nodes 0..M-1 of S (node M is
// the far-field boundary, reached through u_{M-1}); node 0 (S = 0) only
// discounts. Central differences, upwind convection where central ones would
// give a negative coupling. drift is r - q, discount_rate the r of -r V.
struct PriceOperator
{
    std::vector<double> l, d, u;
};
PriceOperator accurate_price_operator(const std::vector<double>& S, double sigma, double drift, double discount_rate);
// The same with a variance per node (a local volatility: variance[i] is
// sigma(S[i])^2); a constant variance gives exactly the operator above.
PriceOperator accurate_price_operator(const std::vector<double>& S, const std::vector<double>& variance, double drift,
                                      double discount_rate);

// The implicit system I - theta dt L of op, not yet factored.
TridiagonalOperator implicit_system(const PriceOperator& op, double theta_dt);

// Runs f, turning out-of-memory and the scheme's own failures into a result
// (default-constructed, so not ok) whose error says why: nothing escapes the
// accurate entry points.
template <class Result, class F>
Result accurate_guarded(F&& f)
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        Result r;  // an Answer starts out Failed; other results are failed by their error
        r.error = "out of memory";
        return r;
    } catch (const std::exception& e) {
        Result r;
        r.error = e.what();
        return r;
    }
}

// Cell weights (see cell_weights) of each observation's knock-in barrier
// (below it) and knock-out barrier (at and above it) on the nodes S.
struct BarrierWeights
{
    std::vector<std::vector<double>> ki, ko;
};
BarrierWeights accurate_barrier_weights(const std::vector<double>& S, const SnowballContract& contract);

// The implicit systems I - theta dt L of one operator, each factored once:
// a run meets only a handful of distinct theta dt (full and half steps of a
// few interval lengths). References stay valid while the object lives.
class ImplicitSystems
{
public:
    explicit ImplicitSystems(const PriceOperator& op) : op_(op) {}
    // Throws std::runtime_error when the system cannot be factored.
    const TridiagonalOperator& for_step(double theta_dt);

private:
    const PriceOperator& op_;
    std::deque<std::pair<double, TridiagonalOperator>> factored_;
};

// One time step of the scheme: theta (1 implicit, 0.5 Crank-Nicolson), its
// length dt, and the times [a, b] it spans (a = b - dt up to rounding).
struct SchemeStep
{
    double theta, dt, a, b;
    // The step of the coarse time level that holds this one: its middle
    // (where a local volatility that moves continuously in time is read, see
    // HeldVariance) and its ends, the same numbers on every level.
    double hold, hold_a, hold_b;
};
// The steps of the interval [t_lo, t_hi] cut into n on time level
// time_level (n / 2^time_level steps on the coarse one), in the backward
// order: two implicit half steps from t_hi (Rannacher), then n - 1
// Crank-Nicolson steps. The pricer walks them in this order, its adjoint in
// reverse.
std::vector<SchemeStep> accurate_interval_plan(double t_lo, double t_hi, long n, int time_level = 0);

// The local variance of a local volatility that moves continuously in time
// (the Dupire volatility of a fitted surface), held at the middle of each
// step of the coarse time level and read there once, on the fine level's
// nodes, for all three levels: their steps nest in the coarse ones and the
// coarse price nodes are every second fine one. Reading it at every node of
// every step of each level cost several times the solve itself. Holding it
// over half a trading day is a second-order change in a step over which the
// variance barely moves, the same on every level (so Richardson extrapolates
// as before), and lets a level keep one factored operator for the steps
// within one coarse step.
class HeldVariance
{
public:
    HeldVariance(const LocalVolatility& volatility, std::vector<double> fine_nodes)
        : volatility_(volatility), S_(std::move(fine_nodes))
    {
    }
    // The variance at the coarse step's middle t on every stride-th fine node
    // (1: the fine price level, 2: the coarse one). Throws
    // std::runtime_error where the local volatility is not defined.
    void at(double t, int stride, std::vector<double>& variance);

private:
    const LocalVolatility& volatility_;
    std::vector<double> S_;
    std::map<double, std::vector<double>> table_;
};

// The operator and factored system I - theta dt L of every step. A flat model
// has one operator; a market model's coefficients change with time, and
// where they are piecewise constant (curves, a term curve, a grid) each piece
// between their breaks gets one operator, factored once per theta dt; a step
// across a break takes the averages over it (r and q integrated, sigma^2
// weighted by time), and a local volatility that moves continuously in time
// one operator per step (coefficients at the step's middle).
class StepOperators
{
public:
    StepOperators(const std::vector<double>& S, double sigma, double drift, double discount_rate);
    // discounting false: the operator of the forward (probability) pass, r = 0
    // in the discount term, drift r - q all the same. held: where a local
    // volatility that moves continuously in time is read (every stride-th
    // node of its fine nodes are S); null reads it at every step's middle.
    StepOperators(const std::vector<double>& S, const MarketModel& market, double T, bool discounting,
                  HeldVariance* held = nullptr, int stride = 1);

    struct Step
    {
        const PriceOperator& op;
        const TridiagonalOperator& system;
    };
    // Throws std::runtime_error when the system cannot be factored.
    Step for_step(const SchemeStep& step);

private:
    struct Piece
    {
        explicit Piece(PriceOperator o) : op(std::move(o)), systems(op) {}
        PriceOperator op;
        ImplicitSystems systems;
    };
    // The operator with coefficients averaged over [a, b]; with hold (not
    // NaN) the variance held at that time.
    PriceOperator averaged_operator(double a, double b, double hold = std::nan("")) const;

    const std::vector<double>& S_;
    const MarketModel* market_ = nullptr;
    double T_ = 0.0;
    bool discounting_ = true;
    std::vector<double> breaks_;                   // ends of the pieces; the last piece runs on
    std::vector<std::unique_ptr<Piece>> pieces_;   // by piece index, built when first met
    std::unique_ptr<Piece> one_off_;               // a step across a break, or of a continuous model
    HeldVariance* held_ = nullptr;
    int stride_ = 1;
    std::unique_ptr<Piece> held_piece_;            // the coarse step of held_time_
    double held_time_ = 0.0;
};

// The flat parameters a market model's price grid is built for: the spot
// (the grid's), the volatility level (the largest over the term within
// -20 % and +25 % of the spot), the average rate and yield over [start, T], and the time left.
PDEParams accurate_grid_params(const MarketModel& market, double grid_spot, double start, double T);

// Time steps between two monitoring moments `length` years apart on time
// level time_level (0 is the coarse one; every finer level doubles them, so
// the levels stay nested); the interval that starts today gets more.
long accurate_interval_steps(double length, int year_days, int steps_per_day, int time_level, bool from_today);
