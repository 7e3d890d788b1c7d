#pragma once

#include "TotalVariance.h"

// One expiry's smile in Gatheral's raw SVI form, in total implied variance:
//   w(k) = a + b (rho (k - m) + sqrt((k - m)^2 + sigma^2)).
// Why this family: five parameters (level, wing angle, skew, shift,
// curvature) fit listed smiles, steep short-dated skews included, where
// one-parameter-per-slice families (SSVI) leave tens of basis points; its
// wings are linear in k, as Lee's moment formula requires of any arbitrage-
// free smile; and w, w_k and w_kk are closed forms, so Dupire needs no
// numerical differentiation.
struct SviSlice
{
    double a = 0.0, b = 0.0, rho = 0.0, m = 0.0, sigma = 1.0;

    double w(double k) const;
    // w, w_k, w_kk at k (w_t left 0: a slice has no time).
    TotalVariance at(double k) const;
    // Lowest total variance (at k = m - rho sigma / sqrt(1 - rho^2)).
    double min_variance() const;
    // Slopes of the wings: w ~ left_slope |k| far left, right_slope k far right.
    double left_slope() const { return b * (1.0 - rho); }
    double right_slope() const { return b * (1.0 + rho); }
    // The parameters' own conditions: b >= 0, |rho| < 1, sigma > 0, a
    // positive minimum variance, and Lee's bound b (1 + |rho|) <= 2.
    bool admissible() const;
};
