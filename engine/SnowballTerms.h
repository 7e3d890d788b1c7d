#pragma once

#include "PDEParams.h"

#include <vector>

// The contract terms of one solver run, as the solver reads them. The
// vectors are borrowed from the caller for the length of the run.
struct SnowballTerms
{
    const std::vector<double>& obs_times;
    const std::vector<double>& ko_barrier;
    const std::vector<double>& ko_coupon;
    const std::vector<double>& ki_barrier;
    double div_coupon;
    double floor_price;
    double call_strike;
    double call_participation;
    double payoff_type;

    // Payout relative to S0 (option) instead of including the principal (note).
    bool option_form() const { return payoff_type > 0.5; }
    bool has_floor() const { return floor_price > 0.0; }
    bool has_participation() const { return call_participation > 0.0; }

    // The refusals of a run, in their fixed order: spot, grid top,
    // volatility, maturity, schedule lengths, observation times and barriers
    // beyond the grid; then what no sound structure has (NaN anywhere, a
    // negative barrier, coupon, floor, strike or participation). Silent: the
    // caller sees NaN. Observation times are checked with their columns.
    bool acceptable(const PDEParams& params) const;
};
