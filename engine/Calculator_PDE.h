#pragma once

#include "PDEParams.h"

#include <newmat/newmat.h>

#include <string>

// Base of the finite-difference engines: the value grids, the Greek grids
// derived from them, the lookups and the matrix export.
//
// Grid convention: node n = 0..M is the price n*dS (Newmat row n+1), column
// j = 0..N is the time j*dt from today (Newmat column j+1).
class Calculator_PDE
{
public:
    explicit Calculator_PDE(bool has_ki_grid);
    // Copies are deep; output pointers that pointed into the source point
    // into the copy's own grids afterwards.
    Calculator_PDE(const Calculator_PDE& other);
    Calculator_PDE& operator=(const Calculator_PDE& other);
    virtual ~Calculator_PDE();

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

    // Appends "Price" (and "Price_KI" when has_ki_grid) to the file.
    void export_matrices(const char* path);
    // Appends one "MATRIX:<name>" block; false when the file cannot be opened.
    static bool write_matrix(const NEWMAT::Matrix& grid, const char* path, const char* name);

    NEWMAT::Matrix Price, Delta, Gamma, Theta, Vega, Rho;
    NEWMAT::Matrix Price_KI, Delta_KI, Gamma_KI, Theta_KI, Vega_KI, Rho_KI;
    NEWMAT::Matrix Price_vol_up, Price_KI_vol_up, Price_rate_up, Price_KI_rate_up;

    PDEParams params, params_rate_up, params_vol_up;

    bool has_ki_grid;
    double dS;  // NaN until a run stored grids
    double dt;  // NaN until a run stored grids: the "no grid yet" test
    double bump_rate = 0.01;
    double bump_vol = 0.01;
    double scale_rate = 100.0;
    double scale_vol = 100.0;

protected:
    double lookup(const NEWMAT::Matrix& grid, double S, double tau) const;

private:
    void point_outputs_into_self(const Calculator_PDE& source);
    NEWMAT::Matrix* own_matrix(const NEWMAT::Matrix* in_source, const Calculator_PDE& source);
    double* own_step(const double* in_source, const Calculator_PDE& source);
};
