#pragma once

#include "SnowballGrid.h"
#include "SnowballContract.h"

#include <vector>

// What the structure pays on the grid: the knock-out payout of each
// observation, the maturity column and the two price boundaries. Coupons are
// simple interest on the notional S0 for the time since today; the option
// form measures every payout relative to S0.
class SnowballPayoff
{
public:
    SnowballPayoff(const SnowballContract& terms, const SnowballGrid& grid, const PDEParams& params);

    // Knock-out payout of observation k at time t on interior node n.
    double knock_out(int k, double t, int n) const { return coupon_payout(k, t) + participation_on_observation(n); }

    // Maturity column, nodes 0..M-1 of both grids (node M is the upper boundary).
    void maturity_column(double* not_knocked_in, double* knocked_in) const;
    // Node 0 for columns 0..N-1: the discounted floor, or nothing.
    std::vector<double> lower_boundary() const;
    // Node M for columns 0..N: the knock-out payout of the first observation
    // on or after the column, discounted to it.
    std::vector<double> upper_boundary() const;

private:
    double coupon_payout(int k, double t) const;
    double participation_on_observation(int n) const;
    double participation_at_maturity(int n) const;

    const SnowballContract& terms_;
    const SnowballGrid& grid_;
    double S0_;
    double r_;
    double T_;
    double principal_;          // 0 for the note form, S0 for the option form
    double top_participation_;  // participation at S_max, strike not rounded to the grid
};
