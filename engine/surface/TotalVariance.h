#pragma once

// Total implied variance w(k, t) = sigma_imp(k, t)^2 t at forward log-
// moneyness k = ln(K / F(t)), with the derivatives Dupire's formula needs.
struct TotalVariance
{
    double w = 0.0, w_k = 0.0, w_kk = 0.0, w_t = 0.0;
};

// A surface of total implied variance: the fitted one, or a closed form.
class TotalVarianceSurface
{
public:
    virtual ~TotalVarianceSurface() = default;
    virtual TotalVariance at(double k, double t) const = 0;
};

// Gatheral-Jacquier's g: the risk-neutral density of the smile divided by
// the Black density at the same strike. g >= 0 at every k is the absence of
// butterfly arbitrage; it is Dupire's denominator in total-variance form.
inline double butterfly_density(double k, double w, double w_k, double w_kk)
{
    const double a = 1.0 - 0.5 * k * w_k / w;
    return a * a - 0.25 * w_k * w_k * (1.0 / w + 0.25) + 0.5 * w_kk;
}

// Dupire's local variance in total implied variance form:
//   sigma_loc^2(K, t) = w_t / g(k), k = ln(K / F(t)), w_t at fixed k.
// Negative or not finite where the surface has arbitrage (w_t < 0 is
// calendar, g <= 0 butterfly); callers refuse those points.
inline double dupire_local_variance(double k, const TotalVariance& v)
{
    return v.w_t / butterfly_density(k, v.w, v.w_k, v.w_kk);
}
