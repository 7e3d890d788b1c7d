#pragma once

#include "PDEParams.h"

#include <vector>

// Whether the structure pays the principal back (note) or only what it earns
// above it, every payout measured relative to S0 (option).
enum class PayoffForm { Note = 0, Option = 1 };

// The terms of one snowball structure, owned by value: everything the
// contract says, nothing about the model or the grid. Times are years from
// today, barriers and the floor in the units of the spot, coupons annualised
// decimals (simple interest on the notional), the participation a ratio.
struct SnowballContract
{
    std::vector<double> obs_times;   // knock-out observations, ascending
    std::vector<double> ko_barrier;  // knock-out price of each observation
    std::vector<double> ko_coupon;   // knock-out coupon of each observation
    std::vector<double> ki_barrier;  // knock-in price of the period ending at each observation
    double div_coupon = 0.15;        // paid at maturity when neither knocked out nor knocked in
    double floor_price = 0.0;        // 0: no floor
    double call_strike = 0.0;
    double call_participation = 0.0;  // 0: no participation
    PayoffForm form = PayoffForm::Note;

    bool option_form() const { return form == PayoffForm::Option; }
    bool has_floor() const { return floor_price > 0.0; }
    bool has_participation() const { return call_participation > 0.0; }
};
