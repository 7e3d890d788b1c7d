#pragma once

#include "SviSlice.h"
#include "TotalVariance.h"

#include <vector>

// The fitted surface: one SVI smile per expiry, joined in time along lines
// of constant forward log-moneyness k = ln(K / F(t)).
//  - Between expiries, total variance is a monotone cubic Hermite curve in t
//    at fixed k through the smiles (t = 0 counting as a smile of zero
//    variance), its slope at each expiry the harmonic mean of the two
//    neighbouring secants (Fritsch-Butland). With each smile at or above the
//    one before it at every k (the fit's calendar condition) the secants are
//    non-negative, every slope lies within twice each of them and the curve
//    rises: w_t >= 0 everywhere, no calendar arbitrage. The slope is
//    continuous across the expiries, so the local variance (w_t / g) is too,
//    where linear interpolation in t made it jump at every expiry and priced
//    path-dependent structures between sampled expiries visibly off a
//    smooth surface's. w, w_k, w_kk, w_t stay closed forms of the smiles.
//  - The first piece runs from t = 0 (w = 0) to the first expiry with the
//    slope at 0 equal to its secant.
//  - After the last expiry the total variance grows by the last expiry's
//    at-the-money implied variance per year at every k: the at-the-money
//    implied volatility stays flat, w_t > 0, and adding a constant to w keeps
//    the last smile's wings within Lee's bound (a scaled smile would not).
//    That rate is also the right-hand secant of the last expiry's slope.
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
    // The smile at node j (0: t = 0, zero variance; j: expiry j - 1) and its time.
    TotalVariance node(std::size_t j, double k) const;
    double node_time(std::size_t j) const { return j == 0 ? 0.0 : expiries_[j - 1]; }

    std::vector<double> expiries_;
    std::vector<SviSlice> slices_;
};
