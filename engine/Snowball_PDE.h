#pragma once

#include "AutoCallSolver.h"
#include "Calculator_PDE.h"
#include "PDEParams.h"

#include <functional>
#include <string>
#include <vector>

// Called between time steps with the fraction done; false stops the run,
// which then returns NaN.
using ProgressHook = std::function<bool(double fraction)>;

// One snowball (autocallable) structure: its terms, its grid parameters and
// the grids of its last runs. Prices are in the units of S0, rates, coupons
// and volatility are decimals, times are years. Failures come back as NaN,
// false or a negative code, never as an exception.
class Snowball_PDE : public Calculator_PDE
{
public:
    // Parameter numbers of set_param/save_param/restore_param/solve_param.
    enum Param { KoBarrier = 0, KiBarrier = 1, KoCoupon = 2, Sigma = 3, DivCoupon = 4, CouponAndDiv = 5 };

    Snowball_PDE();

    void set_structure(const std::vector<double>& obs_times, const std::vector<double>& ko_barrier,
                       const std::vector<double>& ko_coupon, const std::vector<double>& ki_barrier,
                       double div_coupon, double floor_price, double call_strike,
                       double call_participation, double payoff_type, const PDEParams& params);
    void set_grid_size(int M, int N);

    // One run with the current params; grids are stored only when the output
    // pointers are set (set_structure clears them).
    double price();
    double price_with_grids() override;
    // Base, volatility-up and rate-up runs; false at the first NaN.
    bool calculate() override;

    void copy_structure_from(const Snowball_PDE& other);
    // Installed around every run of this engine (and of its copies).
    void set_progress_hook(ProgressHook hook);
    std::string description() const override;

    void set_param(int index, double value);
    void save_param(int index);
    void restore_param(int index);
    // Bisection of parameter `index` on [lo, hi] for the target price:
    // 0 found (*result), -1 no solution within max_iter, -2 price stopped
    // moving, -3 unknown parameter, -4 target outside the end prices.
    int solve_param(double target, int index, double* result, double lo, double hi);

    std::vector<double> ko_barrier;
    std::vector<double> ko_coupon;
    std::vector<double> ki_barrier;
    double div_coupon = 0.15;
    double floor_price = 0.0;
    double call_strike = 0.0;
    double call_participation = 0.0;
    double payoff_type = 0.0;  // above 0.5: option form, else note form
    std::vector<double> obs_times;
    bool initialised = false;
    double epsilon = 0.05;
    int max_iter = 50;
    double saved_value;

private:
    ProgressHook progress_hook;

    // Replaces the four schedule vectors; out of memory leaves them empty
    // (so every price is NaN) and logs why, naming the caller.
    void assign_schedule(const std::vector<double>& obs, const std::vector<double>& ko,
                         const std::vector<double>& coupon, const std::vector<double>& ki, const char* caller);
};
