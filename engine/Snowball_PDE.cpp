#include "Snowball_PDE.h"

#include "AppLogger.h"
#include "SolverProgress.h"

#include <cstdio>
#include <limits>
#include <new>
#include <utility>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double first_or_nan(const std::vector<double>& values) { return values.empty() ? kNaN : values.front(); }

}  // namespace

Snowball_PDE::Snowball_PDE() : Calculator_PDE(true), saved_value(kNaN) {}

void Snowball_PDE::assign_schedule(const std::vector<double>& obs, const std::vector<double>& ko,
                                   const std::vector<double>& coupon, const std::vector<double>& ki,
                                   const char* caller)
{
    // Copies first: the arguments may be this engine's own vectors.
    try {
        std::vector<double> obs_copy(obs), ko_copy(ko), coupon_copy(coupon), ki_copy(ki);
        obs_times.swap(obs_copy);
        ko_barrier.swap(ko_copy);
        ko_coupon.swap(coupon_copy);
        ki_barrier.swap(ki_copy);
    } catch (const std::bad_alloc&) {
        // No schedule rather than the previous one: every price is then NaN.
        obs_times.clear();
        ko_barrier.clear();
        ko_coupon.clear();
        ki_barrier.clear();
        AppLogger::instance().log(AppLogger::Err, "%s refused: out of memory for the schedule.", caller);
    }
}

void Snowball_PDE::set_structure(const std::vector<double>& obs, const std::vector<double>& ko,
                                 const std::vector<double>& coupon, const std::vector<double>& ki, double div,
                                 double floor, double strike, double participation, double payoff,
                                 const PDEParams& p)
{
    assign_schedule(obs, ko, coupon, ki, "set_structure");
    div_coupon = div;
    floor_price = floor;
    call_strike = strike;
    call_participation = participation;
    payoff_type = payoff;

    params = p;  // the caller's output pointers are not ours to write through
    params.out_price = nullptr;
    params.out_price_ki = nullptr;
    params.out_dS = nullptr;
    params.out_dt = nullptr;
    initialised = true;
}

void Snowball_PDE::set_grid_size(int M, int N)
{
    params.M = M;
    params.N = N;
}

void Snowball_PDE::set_progress_hook(ProgressHook hook) { progress_hook = std::move(hook); }

double Snowball_PDE::price()
{
    const ScopedSolverProgress progress(&progress_hook);
    return auto_call_finite_diff_implicit(obs_times, ko_barrier, ko_coupon, ki_barrier, div_coupon, floor_price,
                                          call_strike, call_participation, payoff_type, params);
}

double Snowball_PDE::price_with_grids()
{
    params.out_price = &Price;
    params.out_price_ki = &Price_KI;
    params.out_dS = &dS;
    params.out_dt = &dt;
    return price();
}

bool Snowball_PDE::calculate()
{
    params_vol_up = params;
    params_vol_up.sigma = params.sigma + bump_vol;
    params_vol_up.out_price = &Price_vol_up;
    params_vol_up.out_price_ki = &Price_KI_vol_up;
    params_vol_up.out_dS = nullptr;
    params_vol_up.out_dt = nullptr;

    params_rate_up = params;
    params_rate_up.r = params.r + bump_rate;
    params_rate_up.out_price = &Price_rate_up;
    params_rate_up.out_price_ki = &Price_KI_rate_up;
    params_rate_up.out_dS = nullptr;
    params_rate_up.out_dt = nullptr;

    params.out_price = &Price;
    params.out_price_ki = &Price_KI;
    params.out_dS = &dS;
    params.out_dt = &dt;

    const ScopedSolverProgress progress(&progress_hook);
    for (PDEParams* block : {&params, &params_vol_up, &params_rate_up}) {
        const double value = auto_call_finite_diff_implicit(obs_times, ko_barrier, ko_coupon, ki_barrier,
                                                            div_coupon, floor_price, call_strike,
                                                            call_participation, payoff_type, *block);
        if (value != value)
            return false;
    }
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
    assign_schedule(other.obs_times, other.ko_barrier, other.ko_coupon, other.ki_barrier, "copy_structure_from");
    div_coupon = other.div_coupon;
    floor_price = other.floor_price;
    call_strike = other.call_strike;
    call_participation = other.call_participation;
    payoff_type = other.payoff_type;
    params.S0 = other.params.S0;
    params.S_max = other.params.S_max;
    params.sigma = other.params.sigma;
    params.r = other.params.r;
    params.q = other.params.q;
    params.T = other.params.T;
    params.M = other.params.M;
    params.N = other.params.N;
    params.out_price = nullptr;
    params.out_price_ki = nullptr;
    params.out_dS = nullptr;
    params.out_dt = nullptr;
    initialised = other.initialised;
}

std::string Snowball_PDE::description() const
{
    std::string text;
    char buffer[1024];
    for (double t : obs_times) {
        std::snprintf(buffer, sizeof buffer, "%f-", t);
        text += buffer;
    }
    // Empty schedules print nan in their places.
    std::snprintf(buffer, sizeof buffer, "%f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f",
                  first_or_nan(ko_barrier), first_or_nan(ko_coupon), first_or_nan(ki_barrier), div_coupon,
                  floor_price, call_strike, call_participation, payoff_type != 0.0 ? 1.0 : 0.0, params.S0,
                  params.S_max, params.sigma, params.r, params.q, params.T, static_cast<double>(params.M),
                  static_cast<double>(params.N));
    text += buffer;
    return text;
}
