#include "Calculator_PDE.h"

#include "AppLogger.h"
#include "GridGreeks.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <new>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

Calculator_PDE::Calculator_PDE(bool has_ki) : has_ki_grid(has_ki), dS(kNaN), dt(kNaN) {}

Calculator_PDE::Calculator_PDE(const Calculator_PDE& other)
    : Price(other.Price),
      Delta(other.Delta),
      Gamma(other.Gamma),
      Theta(other.Theta),
      Vega(other.Vega),
      Rho(other.Rho),
      Price_KI(other.Price_KI),
      Delta_KI(other.Delta_KI),
      Gamma_KI(other.Gamma_KI),
      Theta_KI(other.Theta_KI),
      Vega_KI(other.Vega_KI),
      Rho_KI(other.Rho_KI),
      Price_vol_up(other.Price_vol_up),
      Price_KI_vol_up(other.Price_KI_vol_up),
      Price_rate_up(other.Price_rate_up),
      Price_KI_rate_up(other.Price_KI_rate_up),
      params(other.params),
      params_rate_up(other.params_rate_up),
      params_vol_up(other.params_vol_up),
      has_ki_grid(other.has_ki_grid),
      dS(other.dS),
      dt(other.dt),
      bump_rate(other.bump_rate),
      bump_vol(other.bump_vol),
      scale_rate(other.scale_rate),
      scale_vol(other.scale_vol)
{
    point_outputs_into_self(other);
}

Calculator_PDE& Calculator_PDE::operator=(const Calculator_PDE& other)
{
    if (this == &other)
        return *this;
    Price = other.Price;
    Delta = other.Delta;
    Gamma = other.Gamma;
    Theta = other.Theta;
    Vega = other.Vega;
    Rho = other.Rho;
    Price_KI = other.Price_KI;
    Delta_KI = other.Delta_KI;
    Gamma_KI = other.Gamma_KI;
    Theta_KI = other.Theta_KI;
    Vega_KI = other.Vega_KI;
    Rho_KI = other.Rho_KI;
    Price_vol_up = other.Price_vol_up;
    Price_KI_vol_up = other.Price_KI_vol_up;
    Price_rate_up = other.Price_rate_up;
    Price_KI_rate_up = other.Price_KI_rate_up;
    params = other.params;
    params_rate_up = other.params_rate_up;
    params_vol_up = other.params_vol_up;
    has_ki_grid = other.has_ki_grid;
    dS = other.dS;
    dt = other.dt;
    bump_rate = other.bump_rate;
    bump_vol = other.bump_vol;
    scale_rate = other.scale_rate;
    scale_vol = other.scale_vol;
    point_outputs_into_self(other);
    return *this;
}

Calculator_PDE::~Calculator_PDE() = default;

std::string Calculator_PDE::description() const { return "-"; }

// A copy must never write into the grids of the engine it was copied from:
// each output pointer that pointed into the source now points at the same
// member of this engine (anything else becomes null).
void Calculator_PDE::point_outputs_into_self(const Calculator_PDE& source)
{
    for (PDEParams* block : {&params, &params_rate_up, &params_vol_up}) {
        block->out_price = own_matrix(block->out_price, source);
        block->out_price_ki = own_matrix(block->out_price_ki, source);
        block->out_dS = own_step(block->out_dS, source);
        block->out_dt = own_step(block->out_dt, source);
    }
}

NEWMAT::Matrix* Calculator_PDE::own_matrix(const NEWMAT::Matrix* in_source, const Calculator_PDE& source)
{
    const NEWMAT::Matrix Calculator_PDE::*members[] = {
        &Calculator_PDE::Price,         &Calculator_PDE::Price_KI,        &Calculator_PDE::Price_vol_up,
        &Calculator_PDE::Price_KI_vol_up, &Calculator_PDE::Price_rate_up, &Calculator_PDE::Price_KI_rate_up};
    for (auto member : members)
        if (in_source == &(source.*member))
            return &(this->*const_cast<NEWMAT::Matrix Calculator_PDE::*>(member));
    return nullptr;
}

double* Calculator_PDE::own_step(const double* in_source, const Calculator_PDE& source)
{
    if (in_source == &source.dS)
        return &dS;
    if (in_source == &source.dt)
        return &dt;
    return nullptr;
}

bool Calculator_PDE::create_Greeks()
{
    // Every grid of the last calculate() must have one shape; a failed run
    // on another grid size leaves them mixed.
    const NEWMAT::Matrix* grids[] = {&Price_vol_up, &Price_rate_up, &Price_KI, &Price_KI_vol_up, &Price_KI_rate_up};
    if (Price.Nrows() < 2 || Price.Ncols() < 2)
        return false;
    for (const NEWMAT::Matrix* grid : grids) {
        if (grid == &Price_KI_vol_up && !has_ki_grid)
            break;
        if (!same_shape(*grid, Price))
            return false;
    }
    try {
        finite_difference_greeks(Price, dS, dt, Delta, Gamma, Theta);
        bump_sensitivity(Price_vol_up, Price, scale_vol, Vega);
        bump_sensitivity(Price_rate_up, Price, scale_rate, Rho);
        finite_difference_greeks(Price_KI, dS, dt, Delta_KI, Gamma_KI, Theta_KI);
        if (has_ki_grid) {
            bump_sensitivity(Price_KI_vol_up, Price_KI, scale_vol, Vega_KI);
            bump_sensitivity(Price_KI_rate_up, Price_KI, scale_rate, Rho_KI);
        }
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
    int column = 0;
    if (tau >= 0.0) {
        const double j = std::round((params.T - tau) / dt);
        if (!std::isnan(j))
            column = static_cast<int>(std::fmin(std::fmax(j, 0.0), static_cast<double>(std::max(params.N, 0))));
    }
    const int R = grid.Nrows();
    if (column >= grid.Ncols())
        return kNaN;
    const double x = S / dS;
    if (std::isnan(x) || x < 0.0 || x > R - 1)
        return kNaN;

    const double lo = std::floor(x);
    const double hi = std::ceil(x);
    const double* cells = grid.Store();
    const int C = grid.Ncols();
    const double g_lo = cells[static_cast<long>(lo) * C + column];
    const double g_hi = cells[static_cast<long>(hi) * C + column];
    if (std::fabs(hi - lo) <= 2.0 * DBL_EPSILON * std::fabs(hi + lo) || std::fabs(hi - lo) < DBL_MIN)
        return g_hi;
    return (hi * g_lo - g_hi * lo + (g_hi - g_lo) * x) / (hi - lo);
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
