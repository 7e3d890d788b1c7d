#include "DupireLocalVol.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <utility>

namespace {

// The clock starts at 0, where the variance is 0 and Dupire's ratio has a
// limit only: a solver asks at step midpoints, never at 0 itself.
const double kEarliest = 1e-10;

}  // namespace

DupireLocalVol::DupireLocalVol(std::shared_ptr<const TotalVarianceSurface> surface, ForwardCurve forward,
                               double spot, double z_low, double z_high, std::vector<double> time_breaks)
    : surface_(std::move(surface)), forward_(std::move(forward)), spot_(spot), z_low_(z_low), z_high_(z_high),
      breaks_(std::move(time_breaks))
{
}

void DupireLocalVol::band(double t, double& k_low, double& k_high) const
{
    const double root = std::sqrt(std::max(surface_->at(0.0, std::max(t, kEarliest)).w, 0.0));
    k_low = z_low_ * root;
    k_high = z_high_ * root;
}

void DupireLocalVol::price_band(double t, double& S_low, double& S_high) const
{
    double k_low, k_high;
    band(t, k_low, k_high);
    const double F = forward_.forward(spot_, t);
    S_low = F * std::exp(k_low);
    S_high = F * std::exp(k_high);
}

double DupireLocalVol::local_variance(double S, double t, std::string& error) const
{
    std::vector<double> sigma;
    if (!sigma_on(t, std::vector<double>{S}, sigma, error))
        return std::numeric_limits<double>::quiet_NaN();
    return sigma[0] * sigma[0];
}

bool DupireLocalVol::sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                              std::string& error) const
{
    t = std::max(t, kEarliest);
    double k_low, k_high;
    band(t, k_low, k_high);
    const double log_forward = std::log(spot_) + forward_.drift(t);
    sigma.resize(S.size());
    // Nodes below and above the band share the edge's value.
    double edge_low = -1.0, edge_high = -1.0;
    for (std::size_t i = 0; i < S.size(); ++i) {
        const double k_raw = S[i] > 0.0 ? std::log(S[i]) - log_forward : -std::numeric_limits<double>::infinity();
        const double k = std::min(std::max(k_raw, k_low), k_high);
        double* cached = k == k_low ? &edge_low : k == k_high ? &edge_high : nullptr;
        if (cached && *cached >= 0.0) {
            sigma[i] = *cached;
            continue;
        }
        const double v = dupire_local_variance(k, surface_->at(k, t));
        if (!(v > 0.0) || !std::isfinite(v)) {
            std::ostringstream out;
            out << "local variance " << (std::isfinite(v) ? (v < 0.0 ? "negative" : "zero") : "undefined")
                << " at t = " << t << ", S = " << std::exp(log_forward + k) << " (forward log-moneyness " << k
                << "): the fitted surface has arbitrage there";
            error = out.str();
            return false;
        }
        sigma[i] = std::sqrt(v);
        if (cached)
            *cached = sigma[i];
    }
    return true;
}
