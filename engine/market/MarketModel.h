#pragma once

#include "ForwardCurve.h"
#include "LocalVolGrid.h"
#include "LocalVolatility.h"
#include "MarketResult.h"
#include "PDEParams.h"
#include "RateCurve.h"
#include "VolatilityTermCurve.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The market an accurate computation prices in, as a value: the spot, a rate
// and a dividend curve and one volatility input (a flat number, a term curve,
// a local volatility grid or any local volatility function). The pricing
// equation is dV/dt + 1/2 sigma(S,t)^2 S^2 V_SS + (r(t) - q(t)) S V_S - r(t) V = 0,
// times on the engine's clock (years from the valuation date).
class MarketModel
{
public:
    enum class Volatility { Flat, TermCurve, LocalGrid, LocalFunction };

    // The flat model of the three numbers (q NaN is taken as 0). Refuses a
    // spot or volatility that is not a positive number and rates that are
    // not numbers.
    static MarketResult<MarketModel> flat(double S0, double sigma, double r, double q);
    static MarketResult<MarketModel> flat(const PDEParams& params)
    {
        return flat(params.S0, params.sigma, params.r, params.q);
    }

    // Copies with one input replaced (each already checked when it was built).
    MarketModel with_rates(RateCurve rates) const;
    MarketModel with_dividends(RateCurve dividends) const;
    MarketModel with_volatility(VolatilityTermCurve curve) const;
    MarketModel with_volatility(LocalVolGrid grid) const;
    // Any local volatility function, named for output (name()).
    MarketResult<MarketModel> with_volatility(std::shared_ptr<const LocalVolatility> local,
                                              std::string name = "local volatility") const;
    // The spot moved; the curves (the dividend curve of futures included)
    // and an absolute local volatility grid stay where they are.
    MarketModel with_spot(double S) const;

    // Vega's bump: +dv on whichever volatility input is in use (flat number,
    // every Black volatility of the curve, every grid value, the function).
    // Refused when that leaves a volatility out of range. The shifts add up
    // in volatility_shift().
    MarketResult<MarketModel> with_volatility_shift(double dv) const;
    double volatility_shift() const { return volatility_shift_; }
    // Rho's bump: every zero rate of the rate curve moved by dr.
    MarketModel with_rate_shift(double dr) const;

    double spot() const { return S0_; }
    const RateCurve& rates() const { return rates_; }
    const RateCurve& dividends() const { return dividends_; }
    ForwardCurve forward_curve() const { return ForwardCurve(rates_, dividends_); }
    Volatility volatility() const { return kind_; }
    const LocalVolatility& local_volatility() const { return *local_; }
    // The grid when the volatility input is one, else null.
    const LocalVolGrid* local_grid() const { return grid_ ? &*grid_ : nullptr; }

    // Flat rates, dividends and volatility (a volatility curve of one
    // variance too): flat_params() then holds the three numbers.
    bool is_flat() const;
    double flat_sigma() const { return flat_term_curve() ? term_->black_vols().front() : sigma_; }
    double flat_rate() const { return rates_.flat_rate(); }
    double flat_dividend() const { return dividends_.flat_rate(); }
    // The flat model as the engine's parameter block (maturity T; S_max, M
    // and N left at their defaults).
    PDEParams flat_params(double T) const;

    // "flat", "curves", "local volatility" or a local volatility function's own name.
    std::string name() const;

    // Times in (0, T) at which r, q or sigma may jump, ascending; with
    // coefficients_piecewise_constant() they are constant between them.
    std::vector<double> time_breaks(double T) const;
    bool coefficients_piecewise_constant() const { return local_->constant_between_breaks(); }
    // Integral of sigma^2 over [a, b] when sigma does not depend on S.
    double variance_integral(double a, double b) const;
    // The highest volatility over [0, T] for prices in [lo, hi].
    double volatility_level(double T, double lo, double hi) const { return local_->highest(T, lo, hi); }

private:
    MarketModel(double S0, double sigma);
    bool flat_term_curve() const;
    MarketModel with_volatility_input(Volatility kind, std::optional<VolatilityTermCurve> term,
                                      std::optional<LocalVolGrid> grid) const;
    void set_volatility_view();
    MarketResult<MarketModel> shifted_volatility(double dv) const;

    double S0_ = 0.0;
    RateCurve rates_ = RateCurve::flat(0.0), dividends_ = RateCurve::flat(0.0);
    Volatility kind_ = Volatility::Flat;
    double sigma_ = 0.0;
    std::optional<VolatilityTermCurve> term_;
    std::optional<LocalVolGrid> grid_;
    std::shared_ptr<const LocalVolatility> local_;  // every kind seen as sigma(S, t)
    std::string function_name_ = "local volatility";
    double volatility_shift_ = 0.0;
};
