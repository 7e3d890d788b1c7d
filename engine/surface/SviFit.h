#pragma once

#include "SviSlice.h"

#include <vector>

// The quotes of one expiry in forward log-moneyness, and what the fitted
// smile must stay above (the previous expiry's, for no calendar arbitrage).
struct SviFitInput
{
    double T = 0.0;                // expiry, years
    std::vector<double> k, vol;    // quotes: ln(K / F(T)) and Black vol (decimal)
    std::vector<double> check_k;   // where the conditions are held, beyond the quotes
    const SviSlice* floor = nullptr;  // the earlier expiry's smile, or none
};

struct SviFitResult
{
    SviSlice slice;
    double rms_vol = 0.0, max_vol = 0.0;  // fit errors (decimal vol)
    bool feasible = false;                // every condition held on check_k
};

// Least squares in implied volatility, with the conditions as penalties
// whose weight rises until they hold: g(k) >= 0 and, with a floor,
// w(k) >= floor(k) on check_k and wings no flatter than the floor's, plus
// the parameters' own bounds (SviSlice::admissible). Levenberg-Marquardt
// from a few fixed starting points (one from the floor's shape), the best
// feasible result kept: deterministic.
SviFitResult fit_svi(const SviFitInput& input);
