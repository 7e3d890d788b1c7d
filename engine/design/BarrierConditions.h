#pragma once

#include "SnowballGrid.h"
#include "SnowballPayoff.h"

#include <algorithm>

// Step conditions applied to one time column of the two value grids after
// the implicit step (columns hold nodes 0..M contiguously).

// Below the knock-in barrier of the period, the not-knocked-in structure is
// worth what the knocked-in one is.
inline void apply_knock_in(const SnowballGrid& grid, int period, double* not_knocked_in, const double* knocked_in)
{
    const int top = std::min(grid.ki_node[period], grid.M - 1);
    for (int n = 1; n <= top; ++n)
        not_knocked_in[n] = knocked_in[n];
}

// On an observation column, at and above the knock-out barrier both grids
// pay the knock-out payout of that observation at the column's time.
inline void apply_knock_out(const SnowballGrid& grid, const SnowballPayoff& payoff, int observation, int column,
                            double* not_knocked_in, double* knocked_in)
{
    const double t = column * grid.dt;
    for (int n = grid.M - 1; n >= grid.ko_node[observation]; --n)
        not_knocked_in[n] = knocked_in[n] = payoff.knock_out(observation, t, n);
}
