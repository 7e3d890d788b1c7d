#pragma once

#include "AccuratePricer.h"
#include "AutoCallSolver.h"
#include "Calculator_PDE.h"
#include "PDEParams.h"
#include "ParameterSearch.h"
#include "PricingRequest.h"
#include "SnowballContract.h"
#include "Valuation.h"

#include <limits>
#include <string>

// One snowball (autocallable) structure on the design grid: its contract,
// its model and grid parameters and the grids of its last runs. Prices are in
// the units of S0, rates, coupons and volatility are decimals, times are
// years. Failures come back as NaN, false or a status, never as an exception.
// The engine's own questions go through a PricingRequest (see request()):
// this object keeps the design's calls on top of them.

class Snowball_PDE : public Calculator_PDE
{
public:
    Snowball_PDE();

    // Takes the structure and its parameters; the engine is initialised.
    void set_structure(const SnowballContract& contract, const PDEParams& params);
    void set_grid_size(int M, int N);

    // One price of request(), keeping no grids: the design grid's run, or
    // with another method its price, the error estimate kept in
    // error_estimate (NaN after a design-grid price).
    double price();
    double price_with_grids() override;
    // Base, volatility-up and rate-up runs; false at the first NaN.
    bool calculate() override;

    // Terms, parameters, pricing mode and trading days a year of other.
    void copy_structure_from(const Snowball_PDE& other);

    // The accurate pricer at spot S, remaining time tau (years) and knock-in
    // state: price and Greeks in the units of the grid lookups (Theta per
    // year, Vega and Rho per 1.00) with the price's error estimate, valued
    // T - tau after inception on grids crowded at S. A tau that is NaN,
    // negative or beyond T values today, as the grid lookups read column 0;
    // tau 0 (maturity) is refused. Runs whatever the method.
    GreeksValuation accurate_lookup(double S, double tau, bool knocked_in) const;
    // One accurate solve valued at remaining time tau (as above), the grid
    // crowded at S0: values, Delta and Gamma at any spot.
    AccurateSolution accurate_solution(double tau) const;
    std::string description() const override;

    // The question this engine asks: its contract, params, year_days and
    // method, and its progress hook.
    PricingRequest request() const;

    void set_param(Param index, double value);
    void save_param(Param index);
    void restore_param(Param index);
    // Bisection of a term on [lo, hi] for the target price; *result holds
    // the term's value when the status is Found.
    SearchStatus solve_param(double target, Param index, double* result, double lo, double hi);
    // The design's numbering 0..5; any other number is UnknownParam.
    SearchStatus solve_param(double target, int index, double* result, double lo, double hi);

    SnowballContract contract;
    // How price() prices: the design grid (the default), or the accurate
    // pricer or the reference Monte Carlo (see PricingMethod).
    PricingMethod method = PricingMethod::DesignGrid;
    int year_days = 243;  // trading days a year: the daily knock-in checks of the other methods
    double error_estimate = std::numeric_limits<double>::quiet_NaN();  // of the last price() that has one
    bool initialised = false;
    double epsilon = 0.05;
    int max_iter = 50;
    double saved_value;

private:
    // Takes a run's dividend yield, grid steps and grids into this engine the
    // way the runs always stored them.
    void keep_run(SolverResult& run, PDEParams& p, NEWMAT::Matrix* price, NEWMAT::Matrix* price_ki, bool steps);
};
