// The one entry point answers each method with exactly what that method's
// own solver gives, says how it ended, and reports progress as one fraction.
#include "AccurateStructures.h"
#include "EngineTestSupport.h"
#include "ParameterSearch.h"
#include "Pricer.h"
#include "ReferenceMonteCarlo.h"

namespace {

PricingRequest requestFor(const AccurateCase& k, PricingMethod method)
{
    PricingRequest r;
    r.contract = k.contract;
    r.model = k.model;
    r.model.S_max = 200.0;
    r.model.M = 200;
    r.model.N = 243;
    r.year_days = k.year_days;
    r.method = method;
    r.monte_carlo.paths = 4000;
    r.monte_carlo.threads = 2;
    return r;
}

TEST(Pricer, EachMethodGivesItsSolversNumbersBitForBit)
{
    const AccurateCase k = monthlyNoteCase();

    PricingRequest design = requestFor(k, PricingMethod::DesignGrid);
    const Valuation grid = price(design);
    ASSERT_TRUE(grid.ok()) << grid.error;
    EXPECT_EQ(grid.value, auto_call_finite_diff_implicit(design.contract, design.model).price);
    EXPECT_FALSE(grid.error_estimate.has_value());

    const Valuation accurate = price(requestFor(k, PricingMethod::Accurate));
    const AccurateSolution s = solve_accurate(k.contract, k.model, k.year_days);
    ASSERT_TRUE(accurate.ok() && s.ok());
    EXPECT_EQ(accurate.value, s.value(k.model.S0, false));
    EXPECT_EQ(accurate.error_estimate, s.error_estimate(k.model.S0, false));

    const PricingRequest mc = requestFor(k, PricingMethod::ReferenceMonteCarlo);
    const Valuation simulated = price(mc);
    const ReferenceMcResult r = reference_monte_carlo(mc);
    ASSERT_TRUE(simulated.ok() && r.ok());
    EXPECT_EQ(simulated.value, r.price);
    EXPECT_EQ(simulated.error_estimate, r.standard_error);

    // The Monte Carlo's probabilities are its sample means, their errors the standard errors.
    const ProbabilityProfile p = probabilities(mc);
    ASSERT_TRUE(p.ok());
    ASSERT_EQ(p.ko_probability.size(), r.ko_probability.size());
    EXPECT_EQ(p.ko_probability[3], r.ko_probability[3].mean);
    EXPECT_EQ(p.ko_error[3], r.ko_probability[3].standard_error);
    EXPECT_EQ(p.ki_probability, r.ki_probability.mean);
    EXPECT_EQ(p.life_error, r.expected_life.standard_error);
}

TEST(Pricer, GreekSheetReadsTheDesignGridsOnceAndSolvesEachAccurateLookup)
{
    Snowball_PDE e = classicSnowball();
    ASSERT_TRUE(e.calculate() && e.create_Greeks());
    const GreekSheet sheet = GreekSheet::compute(e.request());
    ASSERT_TRUE(sheet.status().ok());
    ASSERT_NE(sheet.price_grid(false), nullptr);
    for (const LookupPoint& at : {LookupPoint{100.0, 1.0, false}, LookupPoint{93.5, 0.4, true},
                                  LookupPoint{150.0, -1.0, false}}) {
        const GreeksValuation g = sheet.at(at);
        ASSERT_TRUE(g.ok());
        EXPECT_EQ(g.price, e.lookup_price(at.spot, at.tau, at.knocked_in));
        EXPECT_EQ(g.delta, e.lookup_delta(at.spot, at.tau, at.knocked_in));
        EXPECT_EQ(g.gamma, e.lookup_gamma(at.spot, at.tau, at.knocked_in));
        EXPECT_EQ(g.theta, e.lookup_theta(at.spot, at.tau, at.knocked_in));
        EXPECT_EQ(g.vega, e.lookup_vega(at.spot, at.tau, at.knocked_in));
        EXPECT_EQ(g.rho, e.lookup_rho(at.spot, at.tau, at.knocked_in));
        EXPECT_FALSE(g.error_estimate.has_value());
    }
    EXPECT_EQ(sheet.at({250.0, 1.0, false}).outcome, Outcome::Failed);  // off the grid

    e.method = PricingMethod::Accurate;
    const GreekSheet accurate = GreekSheet::compute(e.request());
    EXPECT_EQ(accurate.price_grid(false), nullptr);
    const GreeksValuation a = accurate.at({97.0, 0.5, false});
    const GreeksValuation want = greeks_accurate_at(e.contract, e.params, e.year_days, 97.0, 0.5, false);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.price, want.price);
    EXPECT_EQ(a.vega, want.vega);
    EXPECT_EQ(a.error_estimate, want.error_estimate);

    e.method = PricingMethod::ReferenceMonteCarlo;
    EXPECT_EQ(GreekSheet::compute(e.request()).status().refusal.code, RefusalCode::NotForMethod);
    e.method = PricingMethod::DesignGrid;
    e.params.M = 2;
    const GreeksValuation refused = greeks(e.request(), {100.0, 1.0, false});
    EXPECT_EQ(refused.outcome, Outcome::Refused);
    EXPECT_EQ(refused.refusal.code, RefusalCode::PriceSteps);
}

TEST(Pricer, ProgressIsOneRisingFractionAndStopsTheWork)
{
    for (PricingMethod method : {PricingMethod::DesignGrid, PricingMethod::Accurate}) {
        PricingRequest r = classicSnowball().request();
        r.method = method;
        std::vector<double> seen;
        r.progress = [&seen](double f) {
            seen.push_back(f);
            return true;
        };
        ASSERT_TRUE(GreekSheet::compute(r).at({100.0, 1.0, false}, r.progress).ok());
        ASSERT_GT(seen.size(), 3u);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_GE(seen.front(), 0.0);
        EXPECT_LE(seen.back(), 1.0);
        EXPECT_GT(seen.back(), 0.99);

        r.progress = [](double f) { return f < 0.5; };
        EXPECT_EQ(price(r).outcome, Outcome::Cancelled);
        EXPECT_TRUE(std::isnan(price(r).value));
    }
}

TEST(Pricer, SolvingATermOnARequestIsTheEnginesSearch)
{
    Snowball_PDE e = classicSnowball();
    const PricingRequest before = e.request();
    const double target = 100.0;
    const SearchResult found = solve_term(before, Param::CouponAndDiv, target, 0.0, 0.4);
    double value = 0.0;
    EXPECT_EQ(e.solve_param(target, Param::CouponAndDiv, &value, 0.0, 0.4), SearchStatus::Found);
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found.value, value);
    EXPECT_EQ(before.contract.ko_coupon, classicSnowball().contract.ko_coupon);  // the request is not changed

    const SearchResult outside = solve_term(before, Param::CouponAndDiv, 1000.0, 0.0, 0.4);
    EXPECT_EQ(outside.status, SearchStatus::TargetOutside);
    EXPECT_EQ(outside.outcome, Outcome::Failed);
    EXPECT_FALSE(outside.error.empty());
}

}  // namespace
