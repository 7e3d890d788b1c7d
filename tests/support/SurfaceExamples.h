#pragma once

// Implied volatility surfaces with closed-form total variance (so a closed-
// form Dupire local volatility), and the listed quotes they give: shared by
// the surface tests and the surface benchmark.

#include "ForwardCurve.h"
#include "TotalVariance.h"
#include "VolQuote.h"

#include <cmath>
#include <string>
#include <vector>

// Extended SSVI (SSVI with a correlation that moves with the at-the-money
// variance): w = (theta + rho psi k + sqrt((psi k + rho theta)^2 + theta^2 (1 - rho^2))) / 2
// with theta(t) = v_long t + (v_short - v_long)(1 - exp(-kappa t)) / kappa,
// psi(theta) = eta sqrt(theta) (an at-the-money skew of rho eta / (2 sqrt(t)):
// steep at short expiries), rho(theta) = rho_long + (rho_short - rho_long) exp(-theta / theta_rho).
// Free of arbitrage while eta^2 (1 + |rho|) <= 4 and rho moves slowly
// enough (d(rho psi) within +-d psi), as the parameters below do.
struct EssviSurface : TotalVarianceSurface
{
    double v_short = 0.3 * 0.3, v_long = 0.2 * 0.2, kappa = 4.0;
    double eta = 1.0, rho_short = -0.8, rho_long = -0.5, theta_rho = 0.05;

    double theta(double t) const { return v_long * t + (v_short - v_long) * (1.0 - std::exp(-kappa * t)) / kappa; }
    double theta_t(double t) const { return v_long + (v_short - v_long) * std::exp(-kappa * t); }
    double rho(double th) const { return rho_long + (rho_short - rho_long) * std::exp(-th / theta_rho); }

    TotalVariance at(double k, double t) const override
    {
        const double th = theta(t), r = rho(th), psi = eta * std::sqrt(th);
        const double dr = -(rho_short - rho_long) / theta_rho * std::exp(-th / theta_rho);
        const double dpsi = 0.5 * eta / std::sqrt(th);
        const double R = std::sqrt(psi * psi * k * k + 2.0 * r * psi * th * k + th * th);
        TotalVariance v;
        v.w = 0.5 * (th + r * psi * k + R);
        v.w_k = 0.5 * (r * psi + (psi * psi * k + r * psi * th) / R);
        v.w_kk = 0.5 * psi * psi * th * th * (1.0 - r * r) / (R * R * R);
        const double by_theta = 0.5 * (1.0 + (r * psi * k + th) / R);
        const double by_rho = 0.5 * psi * k * (1.0 + th / R);
        const double by_psi = 0.5 * (r * k + (psi * k * k + r * th * k) / R);
        v.w_t = theta_t(t) * (by_theta + by_rho * dr + by_psi * dpsi);
        return v;
    }
};

// Implied volatility only by expiry: total variance v_i^2 T_i, linear in t
// in between (a volatility term curve), flat in k.
struct TermSurface : TotalVarianceSurface
{
    std::vector<double> T, vol;
    TotalVariance at(double, double t) const override
    {
        std::size_t i = 0;
        while (i + 1 < T.size() && t > T[i])
            ++i;
        const double w0 = i == 0 ? 0.0 : vol[i - 1] * vol[i - 1] * T[i - 1], t0 = i == 0 ? 0.0 : T[i - 1];
        const double w1 = vol[i] * vol[i] * T[i];
        TotalVariance v;
        v.w_t = (w1 - w0) / (T[i] - t0);
        v.w = w0 + (t - t0) * v.w_t;
        return v;
    }
};

// The usual test market: 8 expiries from two weeks to two years, 17
// strikes each across about +-3 at-the-money deviations (at least +-12 %),
// spot 100; rates rising from 2.5 % to 3.5 %, dividends 1 % a year with most
// of it paid between four and five months (zero-rate curves).
struct SurfaceMarket
{
    double spot = 100.0;
    std::vector<double> expiries{1.0 / 24, 1.0 / 12, 0.25, 0.5, 0.75, 1.0, 1.5, 2.0};
    int strikes = 17;
    double deviations = 3.0;

    ForwardCurve forward() const
    {
        const std::vector<double> t{0.25, 1.0 / 3, 5.0 / 12, 1.0, 2.0};
        // The integrals of r and q to each time, as zero rates.
        const std::vector<double> rate{0.025 * 0.25, 0.026 / 3, 0.027 * 5 / 12, 0.03, 0.065};
        const std::vector<double> dividend{0.001, 0.0015, 0.0085, 0.01, 0.02};
        std::vector<double> z_r(t.size()), z_q(t.size());
        for (std::size_t i = 0; i < t.size(); ++i)
            z_r[i] = rate[i] / t[i], z_q[i] = dividend[i] / t[i];
        return ForwardCurve(*RateCurve::from_zero_rates(t, z_r).value, *RateCurve::from_zero_rates(t, z_q).value);
    }

    // Quotes of a surface at this market's strikes, sources "line N" in order.
    std::vector<VolQuote> quotes(const TotalVarianceSurface& s) const
    {
        const ForwardCurve curve = forward();
        std::vector<VolQuote> out;
        int line = 2;
        for (double T : expiries) {
            const double F = curve.forward(spot, T);
            const double reach = std::max(0.12, deviations * std::sqrt(s.at(0.0, T).w));
            for (int j = 0; j < strikes; ++j) {
                // Round strikes (0.5 apart), as listed ones are.
                const double K = std::round(2.0 * spot * std::exp(-reach + 2.0 * reach * j / (strikes - 1))) / 2.0;
                const double k = std::log(K / F);
                out.push_back({T, K, std::sqrt(s.at(k, T).w / T), "line " + std::to_string(line++)});
            }
        }
        return out;
    }
};
