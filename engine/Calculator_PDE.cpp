#include "Calculator_PDE.h"

#include "AppLogger.h"
#include "GridGreeks.h"

#include <cmath>
#include <limits>
#include <new>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

Calculator_PDE::Calculator_PDE() : dS(kNaN), dt(kNaN) {}

Calculator_PDE::~Calculator_PDE() = default;

std::string Calculator_PDE::description() const { return "-"; }

bool Calculator_PDE::create_Greeks()
{
    // Every grid of the last calculate() must have one shape; a failed run
    // on another grid size leaves them mixed.
    const NEWMAT::Matrix* grids[] = {&Price_vol_up, &Price_rate_up, &Price_KI, &Price_KI_vol_up, &Price_KI_rate_up};
    if (Price.Nrows() < 2 || Price.Ncols() < 2)
        return false;
    for (const NEWMAT::Matrix* grid : grids) {
        if (!same_shape(*grid, Price))
            return false;
    }
    try {
        finite_difference_greeks(Price, dS, dt, Delta, Gamma, Theta);
        bump_sensitivity(Price_vol_up, Price, scale_vol, Vega);
        bump_sensitivity(Price_rate_up, Price, scale_rate, Rho);
        finite_difference_greeks(Price_KI, dS, dt, Delta_KI, Gamma_KI, Theta_KI);
        bump_sensitivity(Price_KI_vol_up, Price_KI, scale_vol, Vega_KI);
        bump_sensitivity(Price_KI_rate_up, Price_KI, scale_rate, Rho_KI);
        return true;
    } catch (const NEWMAT::BaseException&) {
        AppLogger::instance().log(AppLogger::Err, "create_Greeks failed in the matrix library.");
    } catch (const std::bad_alloc&) {
        AppLogger::instance().log(AppLogger::Err, "create_Greeks refused: out of memory.");
    }
    return false;
}

bool Calculator_PDE::create_grid_greeks()
{
    // The sizes come from params, which may have changed since the run;
    // differences are only taken on value grids of that shape.
    const int rows = params.M + 1;
    const int columns = params.N + 1;
    if (rows < 2 || columns < 2 || Price.Nrows() != rows || Price.Ncols() != columns ||
        !same_shape(Price, Price_KI))
        return false;
    try {
        finite_difference_greeks(Price, dS, dt, Delta, Gamma, Theta);
        finite_difference_greeks(Price_KI, dS, dt, Delta_KI, Gamma_KI, Theta_KI);
        return true;
    } catch (const NEWMAT::BaseException&) {
        AppLogger::instance().log(AppLogger::Err, "create_grid_greeks failed in the matrix library.");
    } catch (const std::bad_alloc&) {
        AppLogger::instance().log(AppLogger::Err, "create_grid_greeks refused: out of memory.");
    }
    return false;
}

double Calculator_PDE::lookup(const NEWMAT::Matrix& grid, double S, double tau) const
{
    return grid_lookup(grid, S, tau, params.T, params.N, dS, dt);
}

double Calculator_PDE::lookup_price(double S, double tau, bool knocked_in) const
{
    return lookup(knocked_in ? Price_KI : Price, S, tau);
}

double Calculator_PDE::lookup_delta(double S, double tau, bool knocked_in) const
{
    return lookup(knocked_in ? Delta_KI : Delta, S, tau);
}

double Calculator_PDE::lookup_gamma(double S, double tau, bool knocked_in) const
{
    return lookup(knocked_in ? Gamma_KI : Gamma, S, tau);
}

double Calculator_PDE::lookup_theta(double S, double tau, bool knocked_in) const
{
    return lookup(knocked_in ? Theta_KI : Theta, S, tau);
}

double Calculator_PDE::lookup_vega(double S, double tau, bool knocked_in) const
{
    return lookup(knocked_in ? Vega_KI : Vega, S, tau);
}

double Calculator_PDE::lookup_rho(double S, double tau, bool knocked_in) const
{
    return lookup(knocked_in ? Rho_KI : Rho, S, tau);
}
