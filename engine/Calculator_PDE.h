#pragma once

#include "EngineHooks.h"
#include "PDEParams.h"

#include <newmat/newmat.h>

#include <string>

// Base of the finite-difference engines: the value grids, the Greek grids
// derived from them, the lookups and the matrix export. Copies are deep (the
// grids are values).
//
// Grid convention: node n = 0..M is the price n*dS (Newmat row n+1), column
// j = 0..N is the time j*dt from today (Newmat column j+1).
class Calculator_PDE
{
public:
    Calculator_PDE();
    virtual ~Calculator_PDE();
    Calculator_PDE(const Calculator_PDE&) = default;
    Calculator_PDE& operator=(const Calculator_PDE&) = default;

    virtual std::string description() const;
    virtual double price_with_grids() = 0;
    virtual bool calculate() = 0;

    // Fills the ten Greek grids from the grids of the last calculate().
    // Returns false (and changes nothing) when the value grids do not all
    // have one shape, e.g. after a failed run on another grid size.
    bool create_Greeks();
    // Delta, Gamma, Theta (and their knocked-in twins) from Price/Price_KI only.
    bool create_grid_greeks();

    // Value at spot S and remaining time tau (years): linear in price, the
    // nearest column in time. NaN off the grid, on an empty grid, or for a
    // column the grid does not have.
    double lookup_price(double S, double tau, bool knocked_in) const;
    double lookup_delta(double S, double tau, bool knocked_in) const;
    double lookup_gamma(double S, double tau, bool knocked_in) const;
    double lookup_theta(double S, double tau, bool knocked_in) const;
    double lookup_vega(double S, double tau, bool knocked_in) const;
    double lookup_rho(double S, double tau, bool knocked_in) const;

    // Appends "Price" and "Price_KI" to the file; false when either block
    // could not be written whole.
    bool export_matrices(const char* path) const;
    // Appends one "MATRIX:<name>" block; false when the file cannot be
    // opened (said on the trace) or written.
    static bool write_matrix(const NEWMAT::Matrix& grid, const char* path, const char* name,
                             const TraceHook& trace = TraceHook());

    // Where the engine's trace lines go (see TraceHook); copies share it.
    void set_trace_hook(TraceHook hook) { trace_ = std::move(hook); }
    // Called between the time steps of every run (see ProgressHook).
    void set_progress_hook(ProgressHook hook) { progress_ = std::move(hook); }

    NEWMAT::Matrix Price, Delta, Gamma, Theta, Vega, Rho;
    NEWMAT::Matrix Price_KI, Delta_KI, Gamma_KI, Theta_KI, Vega_KI, Rho_KI;
    NEWMAT::Matrix Price_vol_up, Price_KI_vol_up, Price_rate_up, Price_KI_rate_up;

    PDEParams params, params_rate_up, params_vol_up;

    double dS;  // NaN until a run stored grids
    double dt;  // NaN until a run stored grids: the "no grid yet" test
    double bump_rate = 0.01;
    double bump_vol = 0.01;
    double scale_rate = 100.0;
    double scale_vol = 100.0;

protected:
    double lookup(const NEWMAT::Matrix& grid, double S, double tau) const;
    void trace(const std::string& line) const
    {
        if (trace_)
            trace_(line);
    }
    const ProgressHook& progress_hook() const { return progress_; }
    const TraceHook& trace_hook() const { return trace_; }

private:
    TraceHook trace_;
    ProgressHook progress_;
};
