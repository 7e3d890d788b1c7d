#pragma once

// Closed forms the grids are held to.

#include "PDEParams.h"
#include "SnowballContract.h"

#include <cmath>

inline double normal_cdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// A single observation at maturity and no knock-in: the not-knocked-in note
// pays A = S0 (1 + c T) at or above the barrier K and B = S0 (1 + div T)
// below (a bond plus a cash-or-nothing digital); the knocked-in one pays A
// above and S - principal below (a forward minus an asset-or-nothing, plus
// the digital). Black-Scholes with dividend yield q.
struct DigitalNote
{
    double S0 = 100.0, K = 105.0, c = 0.1, div = 0.03, sigma = 0.25, r = 0.03, q = 0.02, T = 1.0;
    bool option = false;

    // With the barrier at K (the grid's barrier can sit half a step lower).
    double value(double S, bool knocked_in, double vol, double rate, double tau, double barrier) const
    {
        const double d1 = (std::log(S / barrier) + (rate - q + 0.5 * vol * vol) * tau) / (vol * std::sqrt(tau));
        const double d2 = d1 - vol * std::sqrt(tau);
        const double principal = option ? S0 : 0.0;
        const double A = S0 * c * T + (option ? 0.0 : S0), B = S0 * div * T + (option ? 0.0 : S0);
        const double df = std::exp(-rate * tau);
        if (!knocked_in)
            return df * (B + (A - B) * normal_cdf(d2));
        return df * (A * normal_cdf(d2) - principal * normal_cdf(-d2)) + S * std::exp(-q * tau) * normal_cdf(-d1);
    }
    double value(double S, bool knocked_in, double vol, double rate, double tau) const
    {
        return value(S, knocked_in, vol, rate, tau, K);
    }
    double value(double S, bool knocked_in) const { return value(S, knocked_in, sigma, r, T); }

    SnowballContract contract() const
    {
        SnowballContract k;
        k.obs_times = {T};
        k.ko_barrier = {K};
        k.ko_coupon = {c};
        k.ki_barrier = {0.0};
        k.div_coupon = div;
        k.form = option ? PayoffForm::Option : PayoffForm::Note;
        return k;
    }
    PDEParams model(double S_max, int M, int N) const
    {
        PDEParams p;
        p.S0 = S0, p.S_max = S_max, p.sigma = sigma, p.r = r, p.q = q, p.T = T, p.M = M, p.N = N;
        return p;
    }
};
