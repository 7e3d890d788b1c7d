#pragma once

#include "Snowball_PDE.h"

#include <vector>

// Terms shared by the engine tests.
struct Terms
{
    std::vector<double> obs, ko, coupon, ki;
    double div = 0.16, floor = 0.0, strike = 0.0, participation = 0.0, payoff_type = 0.0;
    PDEParams params;

    // The window's default: a one-year note observed monthly from month 3,
    // ko 103, coupon 16%, ki 80, on a grid of one price unit per node.
    static Terms default_note()
    {
        Terms t;
        for (int month = 3; month <= 12; ++month)
            t.obs.push_back(month / 12.0);
        t.ko.assign(t.obs.size(), 103.0);
        t.coupon.assign(t.obs.size(), 0.16);
        t.ki.assign(t.obs.size(), 80.0);
        t.params.S0 = 100.0;
        t.params.S_max = 200.0;
        t.params.sigma = 0.18;
        t.params.r = 0.015;
        t.params.q = 0.0;
        t.params.T = 1.0;
        t.params.M = 200;
        t.params.N = 243;
        return t;
    }

    // One observation at maturity with flat terms.
    static Terms single(double ko, double coupon, double ki)
    {
        Terms t = default_note();
        t.obs = {1.0};
        t.ko = {ko};
        t.coupon = {coupon};
        t.ki = {ki};
        return t;
    }

    void resize_schedule(std::size_t n, double ko_value, double coupon_value, double ki_value)
    {
        ko.assign(n, ko_value);
        coupon.assign(n, coupon_value);
        ki.assign(n, ki_value);
    }

    double run(PDEParams& p, StepMethod method = StepMethod::Factored) const
    {
        return auto_call_finite_diff_implicit(obs, ko, coupon, ki, div, floor, strike, participation, payoff_type, p,
                                              method);
    }

    double run() const
    {
        PDEParams p = params;
        return run(p);
    }

    Snowball_PDE engine() const
    {
        Snowball_PDE e;
        e.set_structure(obs, ko, coupon, ki, div, floor, strike, participation, payoff_type, params);
        return e;
    }
};
