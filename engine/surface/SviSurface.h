#pragma once

#include "SviSlice.h"
#include "TotalVariance.h"

#include <vector>

// The fitted surface: one SVI smile per expiry, joined in time along lines
// of constant forward log-moneyness k = ln(K / F(t)).
//  - Between expiries, total variance is linear in t at fixed k. With each
//    smile at or above the one before it at every k (the fit's calendar
//    condition), w_t >= 0 everywhere: no calendar arbitrage; and w, w_k,
//    w_kk stay exact blends of closed forms. The local variance jumps at
//    the expiries (w_t does), which is why they are the solvers' time breaks.
//  - Before the first expiry implied volatility is flat in t at fixed k:
//    w(k, t) = (t / T1) w1(k), so w_t = w1 / T1 > 0, and the smile's shape
//    (w_k / w) is the first expiry's down to t = 0.
//  - After the last expiry the total variance grows by the last expiry's
//    at-the-money implied variance per year at every k: the at-the-money
//    implied volatility stays flat, w_t > 0, and adding a constant to w keeps
//    the last smile's wings within Lee's bound (a scaled smile would not).
class SviSurface : public TotalVarianceSurface
{
public:
    SviSurface() = default;
    // Expiries increasing, one slice each.
    SviSurface(std::vector<double> expiries, std::vector<SviSlice> slices);

    TotalVariance at(double k, double t) const override;

    const std::vector<double>& expiries() const { return expiries_; }
    const std::vector<SviSlice>& slices() const { return slices_; }

private:
    std::vector<double> expiries_;
    std::vector<SviSlice> slices_;
};
