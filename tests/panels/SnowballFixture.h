#pragma once

#include "Snowball_PDE.h"

#include <QtTest>

#include <cmath>
#include <vector>

// A one-year classic note with monthly observations (knock-out 103, coupon
// 16%, knock-in 80) on a grid of one price unit per node, as the main window
// would hand it over after "定价".
inline Snowball_PDE classicSnowball()
{
    std::vector<double> obs;
    for (int i = 1; i <= 12; ++i)
        obs.push_back(i / 12.0);
    PDEParams p;
    p.S0 = 100;
    p.S_max = 200;
    p.sigma = 0.18;
    p.r = 0.015;
    p.q = 0;
    p.T = 1;
    p.M = 200;
    p.N = 120;
    Snowball_PDE e;
    e.set_structure(obs, std::vector<double>(12, 103), std::vector<double>(12, 0.16),
                    std::vector<double>(12, 80), 0.16, 0, 0, 0, 0, p);
    return e;
}

// The price of e with one term changed, on a copy.
inline double priceWith(const Snowball_PDE& e, int index, double value)
{
    Snowball_PDE c(e);
    c.set_param(index, value);
    return c.price();
}

// The panels promise to leave the engine handed to them as it was: terms,
// parameters, and no grids computed on it.
inline bool sameTermsNoGrids(const Snowball_PDE& a, const Snowball_PDE& b)
{
    return a.ko_barrier == b.ko_barrier && a.ko_coupon == b.ko_coupon && a.ki_barrier == b.ki_barrier
           && a.div_coupon == b.div_coupon && a.obs_times == b.obs_times && a.params.sigma == b.params.sigma
           && a.params.M == b.params.M && a.params.N == b.params.N && a.params.T == b.params.T
           && a.initialised == b.initialised && a.Price.Nrows() == 0 && a.Delta.Nrows() == 0
           && std::isnan(a.dS) && std::isnan(a.dt) && a.params.out_price == nullptr;
}
