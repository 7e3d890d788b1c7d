// The accurate pricer, its probability pass and the reference Monte Carlo
// under a market model: one-point curves are the flat fields bit for bit, a
// constant grid is the flat model, a term curve prices a digital note as
// Black with the integrated variance, the profile stays the pricer's adjoint
// with time-dependent coefficients, the Greeks shift the input in use, and
// the PDE agrees with the Monte Carlo under a steep skew.
#include "AccurateProbabilityProfile.h"
#include "AccurateStructures.h"
#include "DigitalNote.h"
#include "MarketStructures.h"
#include "ReferenceMonteCarlo.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const int kYearDays = 243;

MarketModel flatOf(const PDEParams& p) { return *MarketModel::flat(p).value; }

TEST(MarketPricing, OnePointCurvesAreTheFlatFieldsBitForBit)
{
    for (const AccurateCase& k : accurateCases()) {
        const double q = k.model.q;
        const MarketModel market = flatOf(k.model)
                                       .with_rates(*RateCurve::from_zero_rates({0.75}, {k.model.r}).value)
                                       .with_dividends(*RateCurve::from_zero_rates({2.0}, {q}).value);
        ASSERT_TRUE(market.is_flat());
        const double S = k.at();
        const AccurateSolution a = solve_accurate(k.contract, k.model, kYearDays);
        const AccurateSolution b = solve_accurate(k.contract, market, k.model.T, kYearDays);
        EXPECT_EQ(a.value(S, k.knocked_in), b.value(S, k.knocked_in)) << k.name;
        EXPECT_EQ(a.error_estimate(S, k.knocked_in), b.error_estimate(S, k.knocked_in)) << k.name;
        // The Greeks, profile and Monte Carlo on such curves: MarketRequest's test, through the pricer.
    }
}

TEST(MarketPricing, ConstantGridIsTheFlatModelOnItsGrid)
{
    // Not flat to the model (a grid), so it takes the market code
    // and its finer default grid: on that grid the flat model's operator, so
    // its numbers to rounding; the Greeks (Vega shifting the grid or the
    // curve, Rho the rate curve) are the flat ones up to the grids' difference.
    AccurateCase k = defaultCase();
    k.model.q = 0.01;
    const double s = k.model.sigma;
    const MarketModel base = flatOf(k.model);
    const MarketModel grid = base.with_volatility(*LocalVolGrid::from_rows({80, 100, 120}, {0.4, 1.0},
                                                                           {{s, s, s}, {s, s, s}})
                                                       .value);
    const AccurateSolution flat = solve_accurate(k.contract, k.model, kYearDays, accurate_resolution(grid));
    const GreeksValuation flat_greeks = greeks_accurate(k.contract, k.model, kYearDays, 100.0, false);
    ASSERT_FALSE(grid.is_flat());
    const AccurateSolution solved = solve_accurate(k.contract, grid, k.model.T, kYearDays);
    EXPECT_NEAR(solved.value(100.0, false), flat.value(100.0, false), 1e-9);
    EXPECT_NEAR(solved.delta(100.0, false), flat.delta(100.0, false), 1e-9);
    EXPECT_NEAR(solved.error_estimate(100.0, false), flat.error_estimate(100.0, false), 1e-9);
    const GreeksValuation g = greeks_accurate(k.contract, grid, k.model.T, kYearDays, 100.0, false);
    ASSERT_TRUE(g.ok()) << g.error;
    EXPECT_EQ(g.price, solved.value(100.0, false));
    EXPECT_NEAR(g.vega, flat_greeks.vega, 0.02);
    EXPECT_NEAR(g.rho, flat_greeks.rho, 0.02);
}

TEST(MarketPricing, TermCurveAndCurvesPriceTheDigitalNoteAsBlackWithIntegratedVariance)
{
    // One observation at maturity: only the integrated variance, rate and
    // yield to maturity matter. Monthly closes: the points at 0.25 and 0.5
    // fall on steps' ends, those at 0.3 and 0.55 inside steps (averaged over
    // them).
    DigitalNote d;
    d.T = 1.0;
    d.q = 0.015;
    // The last curves run on past the maturity with other forwards, which
    // the price must not see.
    for (const std::vector<double>& t : {std::vector<double>{0.25, 0.5, 1.0}, std::vector<double>{0.3, 0.55, 1.0},
                                         std::vector<double>{0.3, 0.75, 1.0, 2.0}}) {
        const bool past = t.size() == 4;
        const MarketModel market =
            flatOf(accurateModel(0.2, 0.0, 0.0, d.T))
                .with_volatility(*VolatilityTermCurve::from_black_vols(
                                      t, past ? std::vector<double>{0.35, 0.28, 0.25, 0.3}
                                              : std::vector<double>{0.35, 0.28, 0.25})
                                      .value)
                .with_rates(*RateCurve::from_zero_rates(t, past ? std::vector<double>{0.01, 0.02, 0.035, 0.05}
                                                                : std::vector<double>{0.01, 0.02, 0.035})
                                 .value)
                .with_dividends(*RateCurve::from_zero_rates(t, past ? std::vector<double>{0.03, 0.01, 0.015, 0.0}
                                                                    : std::vector<double>{0.03, 0.01, 0.015})
                                     .value);
        const AccurateSolution s = solve_accurate(d.contract(), market, d.T, 12);
        ASSERT_TRUE(s.ok()) << s.error;
        for (bool knocked_in : {false, true}) {
            const double exact = d.value(100.0, knocked_in, 0.25, 0.035, d.T);
            EXPECT_NEAR(s.value(100.0, knocked_in), exact, 3e-4) << knocked_in << " " << t[0];
            EXPECT_GE(s.error_estimate(100.0, knocked_in) + 2e-5, std::fabs(s.value(100.0, knocked_in) - exact));
            // The first point's 35 % flat misses it by 100 times the tolerance: the test sees the curve.
            EXPECT_GT(std::fabs(s.value(100.0, knocked_in) - d.value(100.0, knocked_in, 0.35, 0.035, d.T)), 0.02);
        }
        // Near the grid's top the far field holds: the coupon discounted on the rate curve.
        const std::vector<double>& S = s.fine().S;
        const double high = S[S.size() - 3];
        EXPECT_NEAR(s.value(high, false), d.value(high, false, 0.25, 0.035, d.T), 1e-3) << high;
    }
}

TEST(MarketPricing, ProfileIsThePricersAdjointUnderTheMarket)
{
    // As for the flat model: with r = 0 the option form paying 1 / t_j on
    // observation j alone is worth S0 P(KO_j), here with a dividend curve
    // and the skewed grid, so with operators that change every piece.
    AccurateCase k = defaultCase();
    k.contract.ki_barrier.assign(k.contract.obs_times.size(), 0.0);
    k.contract.form = PayoffForm::Option;
    const MarketModel market = flatOf(accurateModel(0.2, 0.0, 0.0, 1.0))
                                   .with_dividends(*RateCurve::from_zero_rates({0.3, 0.7}, {0.05, -0.01}).value)
                                   .with_volatility(skewGrid());
    const ProbabilityProfile p = probability_profile_accurate(k.contract, market, 1.0, kYearDays);
    ASSERT_TRUE(p.ok()) << p.error;
    const std::size_t n = k.contract.obs_times.size();
    for (std::size_t j : {std::size_t(0), std::size_t(4), n - 1}) {
        SnowballContract c = k.contract;
        c.ko_coupon.assign(n, 0.0);
        c.ko_coupon[j] = 1.0 / c.obs_times[j];
        c.div_coupon = 0.0;
        const AccurateSolution s = solve_accurate(c, market, 1.0, kYearDays);
        ASSERT_TRUE(s.ok()) << s.error;
        EXPECT_NEAR(p.ko_probability[j], s.value(100.0, false) / 100.0, 1e-11) << j;
    }
}

TEST(MarketPricing, PdeAgreesWithTheMonteCarloUnderASkew)
{
    // The default note and the option form under the skew with rate and
    // dividend curves; the Monte Carlo checks its own time bias.
    for (AccurateCase k : {defaultCase(), accurateCases()[2]}) {
        const MarketModel market = flatOf(k.model)
                                       .with_rates(*RateCurve::from_zero_rates({0.5, 1.0}, {0.02, 0.025}).value)
                                       .with_dividends(*RateCurve::from_zero_rates({0.5, 1.0}, {0.03, 0.01}).value)
                                       .with_volatility(skewGrid());
        const AccurateSolution s = solve_accurate(k.contract, market, k.model.T, kYearDays);
        ASSERT_TRUE(s.ok()) << s.error;
        ReferenceMcSettings settings;
        settings.paths = 200000;
        settings.threads = 2;
        settings.seed = 7;
        const ReferenceMcResult mc = reference_monte_carlo(k.contract, market, k.model.T, kYearDays, settings);
        ASSERT_TRUE(mc.ok()) << mc.error;
        EXPECT_GE(mc.time_check.rounds, 1);
        EXPECT_FALSE(mc.method.empty());
        const double price = s.value(100.0, false);
        EXPECT_NEAR(price, mc.price, 4.0 * mc.standard_error + s.error_estimate(100.0, false)) << k.name;
        // The skew moves the price well beyond that: the test sees it.
        const double flat = solve_accurate(k.contract, k.model, kYearDays).value(100.0, false);
        EXPECT_GT(std::fabs(flat - mc.price), 8.0 * mc.standard_error) << k.name;
    }
}

TEST(MarketPricing, VegaIsOneSidedWhereTheInputRefusesTheShiftDown)
{
    // A grid value of 0.5 % cannot go down a point: Vega is then the change
    // for one point up, divided by one point.
    AccurateCase k = defaultCase();
    const LocalVolGrid low = *LocalVolGrid::from_rows({60, 100, 140}, {1.0}, {{0.25, 0.18, 0.005}}).value;
    const MarketModel market = flatOf(k.model).with_volatility(low);
    ASSERT_FALSE(market.with_volatility_shift(-0.01).ok());
    const GreeksValuation g = greeks_accurate(k.contract, market, k.model.T, kYearDays, 100.0, false);
    ASSERT_TRUE(g.ok()) << g.error;
    const AccurateSolution up =
        solve_accurate(k.contract, *market.with_volatility_shift(0.01).value, k.model.T, kYearDays);
    // On the base model's grid, as the Greeks solve; the bumped model's own
    // grid is crowded alike (the level near the spot moves by the bump).
    EXPECT_NEAR(g.vega, (up.value(100.0, false) - g.price) / 0.01, 0.05);
}

TEST(MarketPricing, MonteCarloMatchesBlackUnderVolatilityThatMovesOnlyInTime)
{
    // A grid whose rows are flat in S (10 % for half a year, then 40 %) is a
    // local volatility to the Monte Carlo (log-Euler steps from its tables),
    // a term curve the same (exact steps): both must give Black with the
    // integrated variance on the digital note.
    DigitalNote d;
    d.q = 0.01;
    const MarketModel base = flatOf(accurateModel(0.2, d.r, d.q, d.T));
    const MarketModel grid =
        base.with_volatility(*LocalVolGrid::from_rows({90, 110}, {0.5, 1.0}, {{0.1, 0.1}, {0.4, 0.4}}).value);
    const MarketModel term = base.with_volatility(
        *VolatilityTermCurve::from_black_vols({0.5, 1.0}, {0.1, std::sqrt(0.5 * 0.01 + 0.5 * 0.16)}).value);
    const double exact = d.value(100.0, false, std::sqrt(0.5 * 0.01 + 0.5 * 0.16), d.r, d.T);
    ReferenceMcSettings settings;
    settings.paths = 100000;
    settings.threads = 2;
    for (const MarketModel* m : {&grid, &term}) {
        const ReferenceMcResult r = reference_monte_carlo(d.contract(), *m, d.T, kYearDays, settings);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_NEAR(r.price, exact, 4.0 * r.standard_error) << m->name();
        EXPECT_LT(r.standard_error, 0.03);
    }
}

TEST(MarketPricing, MonteCarloKeepsTheForwardUnderTheSkew)
{
    // Knocked in and never knocking out, the note pays S_T: worth S0 e^{-int q}
    // under any volatility, which the log-Euler steps keep exactly (their
    // drift is the integrated r - q less the Ito term of each step).
    AccurateCase k = defaultCase();
    k.contract.ko_barrier.assign(k.contract.ko_barrier.size(), 1e6);
    ReferenceMcSettings settings;
    settings.paths = 40000;
    settings.threads = 2;
    settings.knocked_in = true;
    const MarketModel market = localMarket(100.0);
    const ReferenceMcResult r = reference_monte_carlo(k.contract, market, k.model.T, kYearDays, settings);
    ASSERT_TRUE(r.ok()) << r.error;
    const double forward = 100.0 * market.dividends().discount(0.0, k.model.T);
    EXPECT_NEAR(r.plain.mean, forward, 4.0 * r.plain.standard_error);
    EXPECT_LT(r.plain.standard_error, 0.2);
}

TEST(MarketPricing, MonteCarloExtrapolatesItsTwoLevels)
{
    // The price before the control variate is 2 F - C of the two levels it
    // reports (F measured on every sixth pair of each worker and weighted
    // by 6, so up to that share's rounding: 1667 of 10000 pairs here).
    AccurateCase k = defaultCase();
    ReferenceMcSettings settings;
    settings.paths = 40000;
    settings.threads = 2;
    const ReferenceMcResult r = reference_monte_carlo(k.contract, localMarket(100.0), k.model.T, kYearDays, settings);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.time_check.steps_per_day, 1);
    EXPECT_NE(r.time_check.fine.mean, r.time_check.coarse.mean);
    const double change = r.time_check.fine.mean - r.time_check.coarse.mean;
    EXPECT_NEAR(r.plain.mean, r.time_check.coarse.mean + 2.0 * change, 0.01 * std::fabs(change));
    EXPECT_TRUE(std::isfinite(r.time_check.time_bias.mean));
}

}  // namespace
