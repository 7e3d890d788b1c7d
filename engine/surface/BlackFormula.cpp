#include "BlackFormula.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kMaxDeviation = 10.0;

double normal_cdf(double x) { return 0.5 * std::erfc(-x * M_SQRT1_2); }

// Mills-ratio series: N(z) = phi(z) / (-z) * tail(z) for z far below 0.
double tail_series(double z)
{
    const double u = 1.0 / (z * z);
    return 1.0 - u * (1.0 - 3.0 * u * (1.0 - 5.0 * u * (1.0 - 7.0 * u)));
}

// Log of the out-of-the-money price in units of sqrt(F K), x = ln(F / K):
// for x <= 0 the call, for x > 0 the put. Both terms of the difference
// share the factor exp(-|x|/2) phi(z1) (F phi(d1) = K phi(d2)); written
// with erfc it keeps full relative accuracy until the tails underflow, and
// past that the tails' series takes over.
double log_otm_price(double x, double s)
{
    const double h = -std::fabs(x) / s;
    const double z1 = h + 0.5 * s, z2 = h - 0.5 * s;
    const double price = std::exp(-0.5 * std::fabs(x)) * normal_cdf(z1) - std::exp(0.5 * std::fabs(x)) * normal_cdf(z2);
    if (price > 1e-280 && z1 > -30.0)
        return std::log(price);
    const double log_phi = -0.5 * z1 * z1 - 0.5 * std::log(2.0 * M_PI);
    const double bracket = tail_series(z1) / (-z1) - tail_series(z2) / (-z2);
    return -0.5 * std::fabs(x) + log_phi + std::log(bracket);
}

// d/ds of log_otm_price: vega over price.
double log_otm_vega_ratio(double x, double s, double log_price)
{
    const double d1 = x / s + 0.5 * s;
    const double log_vega = 0.5 * x - 0.5 * d1 * d1 - 0.5 * std::log(2.0 * M_PI);
    return std::exp(log_vega - log_price);
}

}  // namespace

double black_price(double F, double K, double s, bool call)
{
    if (!(s > 0.0))
        return std::max(call ? F - K : K - F, 0.0);
    const double d1 = std::log(F / K) / s + 0.5 * s, d2 = d1 - s;
    return call ? F * normal_cdf(d1) - K * normal_cdf(d2) : K * normal_cdf(-d2) - F * normal_cdf(-d1);
}

double black_implied_deviation(double F, double K, double price, bool call)
{
    if (!(F > 0.0 && K > 0.0 && std::isfinite(F) && std::isfinite(K) && std::isfinite(price)))
        return kNaN;
    // The out-of-the-money option by parity (undiscounted: C - P = F - K).
    const double x = std::log(F / K);
    const bool otm_call = x <= 0.0;
    double otm = price;
    if (call != otm_call)
        otm = call ? price - (F - K) : price + (F - K);
    if (!(otm > 0.0))
        return kNaN;
    const double target = std::log(otm / std::sqrt(F * K));
    if (!(target < log_otm_price(x, kMaxDeviation)))
        return kNaN;
    // log price is increasing in s: bracket [lo, hi], Newton from the
    // middle, bisection whenever a step leaves the bracket.
    double lo = 0.0, hi = kMaxDeviation;
    double s = std::max(std::sqrt(2.0 * std::fabs(x)), 0.2);
    s = std::min(s, 0.5 * kMaxDeviation);
    for (int i = 0; i < 200; ++i) {
        const double value = log_otm_price(x, s);
        const double f = value - target;
        if (f > 0.0)
            hi = s;
        else
            lo = s;
        double next = s - f / log_otm_vega_ratio(x, s, value);
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        if (std::fabs(next - s) <= 1e-14 * std::max(1.0, s) || hi - lo <= 1e-15)
            return next;
        s = next;
    }
    return s;
}
