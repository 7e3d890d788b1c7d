#pragma once

#include "VolQuote.h"

#include <string>
#include <vector>

// Static arbitrage between the quotes themselves, before any fit, sized in
// volatility points (1 point = 1 % of volatility): how far the offending
// quote's volatility must move for it to go away.
//  - butterfly: on one expiry the undiscounted call price must fall with
//    the strike, no faster than 1, and be convex; a quote above the chord of
//    its neighbours (or out of order with the one next to it) is sized by the
//    volatility that puts it on the chord (in order);
//  - calendar: at equal forward log-moneyness the total variance must not
//    fall from one expiry to the next; a quote of the earlier expiry is
//    compared with the later expiry's quotes on either side of its
//    moneyness, total variance linear in between.
struct ArbitrageFinding
{
    enum class Kind { Butterfly, Calendar } kind = Kind::Butterfly;
    double expiry = 0.0;                 // where the offending quote is (the later one for calendar)
    double earlier_expiry = 0.0;         // calendar only
    std::vector<double> strikes;         // the quotes involved
    double vol_points = 0.0;             // the size
    bool absorbed = false;               // small enough for the fit to pass between the quotes
    std::string message;
};

// The forward to each expiry (same order as the groups).
std::vector<ArbitrageFinding> quote_arbitrage(const std::vector<ExpiryQuotes>& groups,
                                              const std::vector<double>& forwards, double absorb_vol_points);
