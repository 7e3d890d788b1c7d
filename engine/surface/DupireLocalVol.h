#pragma once

#include "ForwardCurve.h"
#include "LocalVolatility.h"
#include "TotalVariance.h"

#include <memory>
#include <string>
#include <vector>

// Dupire's local volatility of a total-variance surface, at absolute prices:
//   sigma_loc^2(S, t) = w_t / g(k), k = ln(S / F(t)) (see TotalVariance.h).
// Why the total-variance form: it needs only w and its k- and t-
// derivatives, which the fitted surface has in closed form, where the price
// form divides second differences of small prices in the wings.
// The wings: beyond a band of standardised moneyness z = k / sqrt(w(0, t))
// the local volatility is held at its value on the band's edge. Any positive
// local volatility is an arbitrage-free model, so this flat extrapolation
// cannot create arbitrage; inside the band (wider than the quotes) the
// surface itself is used, where its conditions were checked.
class DupireLocalVol : public LocalVolatility
{
public:
    DupireLocalVol(std::shared_ptr<const TotalVarianceSurface> surface, ForwardCurve forward, double spot,
                   double z_low, double z_high, std::vector<double> time_breaks);

    bool sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                  std::string& error) const override;
    std::vector<double> time_breaks() const override { return breaks_; }

    // The local variance at one point, NaN (error set) where it is negative
    // or undefined.
    double local_variance(double S, double t, std::string& error) const;
    // The band of forward log-moneyness at t inside which the surface is used.
    void band(double t, double& k_low, double& k_high) const;
    // The band in absolute prices.
    void price_band(double t, double& S_low, double& S_high) const;

    const TotalVarianceSurface& surface() const { return *surface_; }
    const ForwardCurve& forward() const { return forward_; }
    double spot() const { return spot_; }

private:
    std::shared_ptr<const TotalVarianceSurface> surface_;
    ForwardCurve forward_;
    double spot_, z_low_, z_high_;
    std::vector<double> breaks_;
};
