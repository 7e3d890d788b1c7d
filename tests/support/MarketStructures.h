#pragma once

// Markets the accurate pricer and the reference Monte Carlo are held to under
// curves and local volatility (tests, benchmarks, the agreement report): rate
// and dividend curves, a steep downside skew, and the structures of the
// accuracy goals with them.

#include "AccurateStructures.h"
#include "DupireLocalVol.h"
#include "MarketModel.h"
#include "SurfaceCalibration.h"
#include "SurfaceExamples.h"

#include <memory>

// Downside skew: 40 % at 60 falling to 14 % at 150, flattening with time.
inline LocalVolGrid skewGrid()
{
    return *LocalVolGrid::from_rows({60, 80, 100, 120, 150}, {0.5, 1.0, 2.0},
                                    {{0.40, 0.26, 0.18, 0.15, 0.14},
                                     {0.38, 0.25, 0.18, 0.15, 0.14},
                                     {0.36, 0.25, 0.19, 0.16, 0.15}})
                .value;
}

// Rising rates, a dividend yield with a seasonal bump, a rising Black
// volatility: forwards that change every quarter.
inline MarketModel curvesMarket(double S0, double sigma)
{
    const std::vector<double> t{0.25, 0.5, 1.0, 2.0};
    return MarketModel::flat(S0, sigma, 0.0, 0.0)
        .value->with_rates(*RateCurve::from_zero_rates(t, {0.015, 0.018, 0.022, 0.026}).value)
        .with_dividends(*RateCurve::from_zero_rates(t, {0.01, 0.035, 0.025, 0.02}).value)
        .with_volatility(*VolatilityTermCurve::from_black_vols(t, {0.16, 0.17, 0.19, 0.2}).value);
}

// The same rates and dividends under the skewed grid.
inline MarketModel localMarket(double S0)
{
    const MarketModel curves = curvesMarket(S0, 0.2);
    return MarketModel::flat(S0, 0.2, 0.0, 0.0)
        .value->with_rates(curves.rates())
        .with_dividends(curves.dividends())
        .with_volatility(skewGrid());
}

// The structures of the accuracy goals, each valued at its model's spot:
// the default note, the two-year step-down with a floor, the note with the
// spot 2.5 % above its knock-in barrier (82 as the spot and notional), and
// the option form.
inline std::vector<AccurateCase> marketCases()
{
    std::vector<AccurateCase> cases{defaultCase()};
    for (const AccurateCase& k : accurateCases())
        if (k.name == "stepdown_2y_floor" || k.name == "option_form")
            cases.push_back(k);
    AccurateCase near = monthlyNoteCase();
    near.name = "spot_near_ki";
    near.model.S0 = 82.0;
    cases.push_back(near);
    return cases;
}

// The rates and dividends of the surface tests' market (SurfaceMarket) at
// spot S0, with a flat volatility until one is put in.
inline MarketModel surfaceCurves(double S0)
{
    SurfaceMarket m;
    const ForwardCurve forward = m.forward();
    return MarketModel::flat(S0, 0.2, 0.0, 0.0).value->with_rates(forward.rates()).with_dividends(forward.dividends());
}

// The local volatility fitted to the quotes the surface gives at spot S0
// (8 expiries of 17 strikes, or the expiries given), on surfaceCurves(S0).
inline MarketModel fittedSurfaceMarket(const TotalVarianceSurface& surface, double S0,
                                       const std::vector<double>& expiries = {})
{
    SurfaceMarket m;
    m.spot = S0;
    if (!expiries.empty())
        m.expiries = expiries;
    const MarketModel curves = surfaceCurves(S0);
    const SurfaceCalibration c = calibrate_surface(m.quotes(surface), S0, curves.forward_curve());
    return *curves.with_volatility(c.local_vol, "local volatility (surface)").value;
}

// The exact local volatility of a closed-form surface (Dupire of its own
// total variance, the band wide enough never to bind) on surfaceCurves(S0).
inline MarketModel exactSurfaceMarket(std::shared_ptr<const TotalVarianceSurface> surface, double S0)
{
    const MarketModel curves = surfaceCurves(S0);
    auto exact = std::make_shared<DupireLocalVol>(std::move(surface), curves.forward_curve(), S0, -12.0, 12.0,
                                                  std::vector<double>());
    return *curves.with_volatility(exact, "exact local volatility").value;
}
