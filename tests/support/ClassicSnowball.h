#pragma once

#include "Snowball_PDE.h"

#include <vector>

// A one-year classic snowball note (spot 100, grid top 200, volatility 18%,
// rate 1.5%, knock-out 103 with a 16% coupon, knock-in 80, dividend coupon
// 16%) observed monthly from firstMonth to month 12, handed over with
// set_structure as the window's "定价" does. With M 200 one price unit per
// node, so the usual spots are grid nodes.
inline Snowball_PDE classicSnowball(int M = 200, int N = 120, int firstMonth = 1)
{
    std::vector<double> obs;
    for (int month = firstMonth; month <= 12; ++month)
        obs.push_back(month / 12.0);
    PDEParams p;
    p.S0 = 100.0;
    p.S_max = 200.0;
    p.sigma = 0.18;
    p.r = 0.015;
    p.q = 0.0;
    p.T = 1.0;
    p.M = M;
    p.N = N;
    const std::size_t n = obs.size();
    SnowballContract c;
    c.obs_times = obs;
    c.ko_barrier.assign(n, 103.0);
    c.ko_coupon.assign(n, 0.16);
    c.ki_barrier.assign(n, 80.0);
    c.div_coupon = 0.16;
    Snowball_PDE e;
    e.set_structure(c, p);
    return e;
}

// The price of e with one term changed, on a copy (e stays as it was).
inline double priceWith(const Snowball_PDE& e, Param index, double value)
{
    Snowball_PDE copy(e);
    copy.set_param(index, value);
    return copy.price();
}
