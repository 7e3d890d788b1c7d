#pragma once

#include "PDEParams.h"
#include "SnowballContract.h"

#include <vector>

// Where the terms fall on the price x time grid: node n is the price n*dS,
// column j the time j*dt from today.
struct SnowballGrid
{
    int M = 0;
    int N = 0;
    double dS = 0.0;
    double dt = 0.0;
    std::vector<int> obs_col;  // time column of each observation
    std::vector<int> ko_node;  // node n knocks out at observation k when n >= ko_node[k]
    std::vector<int> ki_node;  // in period k, node n is knocked in when n <= ki_node[k]
    int strike_node = 0;       // first node of the participation
    int floor_node = -1;       // nodes 0..floor_node get the floor (-1: no floor)

    double price(int n) const { return n * dS; }

    // Fills the node indices from the terms; obs_col must already be set.
    void place_barriers(const SnowballContract& terms);
};

// The integer nearest to x, halves away from zero, kept within [lo, hi] so
// that far-off values (a strike beyond the grid) cannot overflow an int.
int nearest_index(double x, int lo, int hi);
int ceil_index(double x, int lo, int hi);
int floor_index(double x, int lo, int hi);
