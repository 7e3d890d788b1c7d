#pragma once

#include "ClassicSnowball.h"

#include <cmath>

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
