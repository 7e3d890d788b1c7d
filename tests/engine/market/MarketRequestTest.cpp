// The market through the one question: a PricingRequest carrying a market
// model gives the flat fields' numbers for one-point curves (price, Greeks,
// probabilities, Monte Carlo), is refused by the design grid, shifts the
// volatility input for solve, stress and scan, and keeps the curves and an
// absolute grid when the spot moves.
#include "MarketStructures.h"
#include "ParameterSearch.h"
#include "Pricer.h"
#include "Refusal.h"
#include "StressGrid.h"
#include "UnivariateScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

PricingRequest requestOf(const AccurateCase& k, PricingMethod method)
{
    PricingRequest r;
    r.contract = k.contract;
    r.model = k.model;
    r.year_days = k.year_days;
    r.method = method;
    r.monte_carlo.paths = 20000;
    r.monte_carlo.threads = 2;
    return r;
}

std::shared_ptr<const MarketModel> onePointCurves(const PDEParams& p)
{
    return std::make_shared<const MarketModel>(MarketModel::flat(p)
                                                   .value->with_rates(*RateCurve::from_zero_rates({0.75}, {p.r}).value)
                                                   .with_dividends(*RateCurve::from_zero_rates({2.0}, {p.q}).value)
                                                   .with_volatility(*VolatilityTermCurve::from_black_vols({1.5}, {p.sigma}).value));
}

TEST(MarketRequest, OnePointCurvesGiveTheFlatFieldsExactly)
{
    AccurateCase k = defaultCase();
    k.model.q = 0.012;
    const PricingRequest flat = requestOf(k, PricingMethod::Accurate);
    PricingRequest curves = flat;
    curves.market = onePointCurves(k.model);
    // One-point rate, dividend and volatility curves are the flat fields: the
    // same numbers bit for bit, through every question.
    ASSERT_TRUE(curves.market->is_flat());
    EXPECT_EQ(curves.market->name(), "curves");

    const Valuation a = price(flat), b = price(curves);
    ASSERT_TRUE(a.ok() && b.ok()) << b.error;
    EXPECT_EQ(a.value, b.value);
    EXPECT_EQ(*a.error_estimate, *b.error_estimate);
    const LookupPoint point{97.0, k.model.T - 0.25, false};
    const GreeksValuation g = greeks(flat, point), h = greeks(curves, point);
    ASSERT_TRUE(h.ok()) << h.error;
    EXPECT_EQ(std::vector<double>({g.price, g.delta, g.gamma, g.theta, g.vega, g.rho}),
              std::vector<double>({h.price, h.delta, h.gamma, h.theta, h.vega, h.rho}));
    const ProbabilityProfile p = probabilities(flat), q = probabilities(curves);
    ASSERT_TRUE(q.ok()) << q.error;
    EXPECT_EQ(p.ko_probability, q.ko_probability);
    EXPECT_EQ(p.ki_probability, q.ki_probability);
    EXPECT_EQ(p.life_error, q.life_error);
    PricingRequest mc = flat, mc_curves = curves;
    mc.method = mc_curves.method = PricingMethod::ReferenceMonteCarlo;
    const Valuation m = price(mc), n = price(mc_curves);
    EXPECT_EQ(m.value, n.value);
    EXPECT_EQ(*m.error_estimate, *n.error_estimate);

    // A parallel shift of the one-point curve is the shifted flat volatility.
    PricingRequest shifted = curves, bumped = flat;
    shifted.volatility_shift = 0.01;
    bumped.model.sigma += 0.01;
    EXPECT_EQ(price(shifted).value, price(bumped).value);
}

TEST(MarketRequest, TheDesignGridRefusesAMarketAndTheFlatRulesStepAside)
{
    const AccurateCase k = defaultCase();
    PricingRequest r = requestOf(k, PricingMethod::DesignGrid);
    r.market = std::make_shared<const MarketModel>(localMarket(k.model.S0));
    EXPECT_EQ(pricing_refusal(r).code, RefusalCode::MarketNeedsAccurate);
    EXPECT_EQ(price(r).refusal.code, RefusalCode::MarketNeedsAccurate);
    EXPECT_EQ(GreekSheet::compute(r).status().refusal.code, RefusalCode::MarketNeedsAccurate);
    EXPECT_EQ(probabilities(r).refusal.code, RefusalCode::MarketNeedsAccurate);
    EXPECT_EQ(stress_grid(r, GridAxis{90, 10, 3}, GridAxis{0, 0.01, 2}, k.model.T).refusal.code,
              RefusalCode::MarketNeedsAccurate);
    // The market brings its own volatility: a zero flat field is no refusal.
    r.method = PricingMethod::Accurate;
    r.model.sigma = 0.0;
    EXPECT_FALSE(pricing_refusal(r));
    // A shift that takes the grid's volatility below 0 is refused by name.
    r.volatility_shift = -0.5;
    const Valuation v = price(r);
    EXPECT_EQ(v.refusal.code, RefusalCode::MarketShift);
    r.method = PricingMethod::ReferenceMonteCarlo;
    EXPECT_EQ(price(r).refusal.code, RefusalCode::MarketShift);
}

TEST(MarketRequest, TheVolatilityTermIsTheInputsParallelShift)
{
    const AccurateCase k = defaultCase();
    PricingRequest r = requestOf(k, PricingMethod::Accurate);
    const MarketModel local = localMarket(k.model.S0);
    r.market = std::make_shared<const MarketModel>(local);
    PricingRequest shifted = r;
    shifted.market = std::make_shared<const MarketModel>(*local.with_volatility_shift(0.02).value);
    const double target = price(shifted).value;

    set_term(r, Param::Sigma, 0.02);
    EXPECT_EQ(term_value(r, Param::Sigma), 0.02);
    EXPECT_EQ(r.model.sigma, k.model.sigma);  // the flat field is not the term
    EXPECT_EQ(price(r).value, target);
    r.volatility_shift = 0.0;

    const SearchResult found = solve_term(r, Param::Sigma, target, -0.05, 0.2);
    ASSERT_TRUE(found.ok()) << found.error;
    EXPECT_NEAR(found.value, 0.02, 2e-3);  // the search's tolerance is 0.05 in price

    const ScanResult scan = univariate_scan(r, Param::Sigma, 0.0, 0.02, 0.02, target);
    ASSERT_TRUE(scan.ok()) << scan.error;
    ASSERT_EQ(scan.prices.size(), 2u);
    EXPECT_EQ(scan.prices[1], target);
    EXPECT_EQ(scan.best, 1);
}

TEST(MarketRequest, StressMovesTheSpotOnTheSameGridAndShiftsTheVolatility)
{
    const AccurateCase k = defaultCase();
    PricingRequest r = requestOf(k, PricingMethod::Accurate);
    const MarketModel local = localMarket(k.model.S0);
    r.market = std::make_shared<const MarketModel>(local);
    const StressResult s = stress_grid(r, GridAxis{90, 10, 3}, GridAxis{0.0, 0.02, 2}, k.model.T);
    ASSERT_TRUE(s.ok()) << s.error;
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 3; ++i) {
            // The spot moved alone (sticky strike: the same absolute grid and
            // curves, the notional kept), at the row's shift: the lookup at
            // that spot gives it, to the two grids' difference.
            PricingRequest at = r;
            at.volatility_shift = 0.02 * row;
            const GreeksValuation g = greeks(at, LookupPoint{90.0 + 10.0 * i, k.model.T, false});
            ASSERT_TRUE(g.ok()) << g.error;
            EXPECT_NEAR(s.tv[row][i], g.price, 2e-3) << row << " " << i;
        }
    }
    EXPECT_GT(s.tv[0][1] - s.tv[1][1], 0.1);  // more volatility, a cheaper note: the rows differ
}

}  // namespace
