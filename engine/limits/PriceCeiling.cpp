#include "PriceCeiling.h"

#include "PricingRequest.h"

#include <cmath>
#include <limits>

namespace {

// exp(a) * erfc(x) / 2 without overflow when erfc underflows.
double scaledTail(double a, double x)
{
    const double tail = 0.5 * std::erfc(x);
    if (tail == 0.0)
        return 0.0;
    return std::exp(a + std::log(tail));
}

// Chance that the log price ln(S/S0) = nu t + sigma W reaches b > 0 by T.
double reachChance(double b, double nu, double sigma, double T)
{
    const double s = sigma * std::sqrt(T);
    const double r2 = std::sqrt(2.0);
    const double first = 0.5 * std::erfc((b - nu * T) / (s * r2));
    const double second = scaledTail(2.0 * nu * b / (sigma * sigma), (b + nu * T) / (s * r2));
    return std::fmin(1.0, first + second);
}

bool usable(double S0, double sigma, double r, double q, double T)
{
    return S0 > 0 && sigma > 0 && T > 0 && std::isfinite(S0) && std::isfinite(sigma) && std::isfinite(T) &&
           std::isfinite(r) && std::isfinite(q);
}

}  // namespace

double ceiling_reach_chance(double S0, double S_max, double sigma, double r, double q, double T)
{
    if (!usable(S0, sigma, r, q, T) || std::isnan(S_max))
        return std::numeric_limits<double>::quiet_NaN();
    if (S_max <= S0)
        return 1.0;
    const double nu = r - q - 0.5 * sigma * sigma;
    return reachChance(std::log(S_max / S0), nu, sigma, T);
}

double safe_price_ceiling(double S0, double sigma, double r, double q, double T, double chance)
{
    if (!usable(S0, sigma, r, q, T) || !(chance > 0 && chance < 1))
        return std::numeric_limits<double>::quiet_NaN();
    const double nu = r - q - 0.5 * sigma * sigma;
    // The chance falls as b grows; widen until it is below the limit, then halve.
    double lo = 0.0, hi = 1.0;
    while (reachChance(hi, nu, sigma, T) > chance) {
        lo = hi;
        hi *= 2.0;
        if (hi > 700.0)
            return std::numeric_limits<double>::infinity();
    }
    for (int i = 0; i < 200 && hi - lo > 1e-12; ++i) {
        const double mid = 0.5 * (lo + hi);
        (reachChance(mid, nu, sigma, T) > chance ? lo : hi) = mid;
    }
    const double ceiling = S0 * std::exp(hi);
    const double unit = std::pow(10.0, std::floor(std::log10(ceiling)) - 1.0);
    return std::ceil(ceiling / unit) * unit;
}

double ceiling_reach_chance(const PricingRequest& request)
{
    if (request.method != PricingMethod::DesignGrid)
        return 0.0;
    const PDEParams& x = request.model;
    return ceiling_reach_chance(x.S0, x.S_max, x.sigma, x.r, x.q, x.T);
}
