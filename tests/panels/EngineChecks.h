#pragma once

#include "ClassicSnowball.h"

#include <cmath>

// The panels promise to leave the engine handed to them as it was: terms,
// parameters, and no grids computed on it.
inline bool sameTermsNoGrids(const Snowball_PDE& a, const Snowball_PDE& b)
{
    const SnowballContract &x = a.contract, &y = b.contract;
    return x.ko_barrier == y.ko_barrier && x.ko_coupon == y.ko_coupon && x.ki_barrier == y.ki_barrier
           && x.div_coupon == y.div_coupon && x.obs_times == y.obs_times && a.params.sigma == b.params.sigma
           && a.params.M == b.params.M && a.params.N == b.params.N && a.params.T == b.params.T
           && a.initialised == b.initialised && a.Price.Nrows() == 0 && a.Delta.Nrows() == 0
           && std::isnan(a.dS) && std::isnan(a.dt);
}
