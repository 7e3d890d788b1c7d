// The engine in accurate mode: price and error estimate, copies, the search,
// lookups at a later date and another spot (against the same contract
// started at that date, and a closed form), the monitoring from a later
// date, and the stress grid.
#include "AccurateStructures.h"
#include "DigitalNote.h"
#include "MonitoringSchedule.h"
#include "Snowball_PDE.h"
#include "StressGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A lookup's numbers in one list, to compare whole.
std::vector<double> numbers(const GreeksValuation& g)
{
    return {g.price, g.delta, g.gamma, g.theta, g.vega, g.rho, g.error_estimate.value_or(kNaN)};
}

Snowball_PDE engineFor(const AccurateCase& k, PricingMethod mode)
{
    Snowball_PDE e;
    PDEParams p = k.model;
    p.M = 200;
    p.N = 243;
    e.set_structure(k.contract, p);
    e.method = mode;
    e.year_days = k.year_days;
    return e;
}

TEST(AccurateMode, PriceIsTheAccuratePriceWithItsEstimate)
{
    for (const AccurateCase& k : {monthlyNoteCase(), defaultCase()}) {
        Snowball_PDE accurate = engineFor(k, PricingMethod::Accurate);
        const AccurateSolution s = solve_accurate(k.contract, accurate.params, k.year_days);
        EXPECT_EQ(accurate.price(), s.value(k.model.S0, false)) << k.name;
        EXPECT_EQ(accurate.error_estimate, s.error_estimate(k.model.S0, false)) << k.name;
        EXPECT_GT(accurate.error_estimate, 0.0);
        EXPECT_LT(accurate.error_estimate, 0.01);

        // The design mode is the default and its price is the grid's.
        Snowball_PDE design = engineFor(k, PricingMethod::DesignGrid);
        Snowball_PDE plain;
        plain.set_structure(k.contract, design.params);
        EXPECT_EQ(plain.method, PricingMethod::DesignGrid);
        design.error_estimate = 1.0;
        EXPECT_EQ(design.price(), plain.price()) << k.name;
        EXPECT_TRUE(std::isnan(design.error_estimate));
        // The monthly note: the grid's monitoring on every column differs from the contract's by cents.
        EXPECT_GT(std::fabs(design.price() - accurate.price()), 0.01) << k.name;
    }
}

TEST(AccurateMode, CopiesCarryTheModeAndTradingDays)
{
    Snowball_PDE source = engineFor(monthlyNoteCase(), PricingMethod::Accurate);
    source.year_days = 250;
    const Snowball_PDE copy(source);
    EXPECT_EQ(copy.method, PricingMethod::Accurate);
    EXPECT_EQ(copy.year_days, 250);
    Snowball_PDE panel;
    panel.copy_structure_from(source);
    EXPECT_EQ(panel.method, PricingMethod::Accurate);
    EXPECT_EQ(panel.year_days, 250);
    EXPECT_EQ(panel.price(), source.price());
    source.method = PricingMethod::DesignGrid;
    panel.copy_structure_from(source);
    EXPECT_EQ(panel.method, PricingMethod::DesignGrid);
}

TEST(AccurateMode, SearchSolvesOnAccuratePrices)
{
    Snowball_PDE engine = engineFor(monthlyNoteCase(), PricingMethod::Accurate);
    engine.set_param(Param::Sigma, 0.25);
    const double target = engine.price();
    engine.set_param(Param::Sigma, 0.18);
    double found = kNaN;
    ASSERT_EQ(engine.solve_param(target, Param::Sigma, &found, 0.1, 0.4), SearchStatus::Found);
    EXPECT_NEAR(found, 0.25, 0.01);
    EXPECT_DOUBLE_EQ(engine.params.sigma, 0.18);  // restored

    // The accurate price at the value found meets the target within the
    // search's tolerance.
    engine.set_param(Param::Sigma, found);
    EXPECT_LT(std::fabs(engine.price() - target), engine.epsilon);
}

// Monitoring from a valuation time: a whole trading day starts at that
// close, a time between closes is a moment of its own without checks.
TEST(AccurateMode, MonitoringFromALaterDate)
{
    SnowballContract c;
    c.obs_times = {0.25, 0.5, 0.6, 1.0};
    c.ko_barrier = {103, 103, 103, 103};
    c.ko_coupon = {0.1, 0.1, 0.1, 0.1};
    c.ki_barrier = {80, 79, 78, 77};
    std::vector<MonitoringEvent> events;
    std::string error;
    struct Event { double t; int ki, ko; bool maturity; };
    // From inception: 0.25 and 0.5 fall on closes (4 a year), 0.6 between them.
    const struct { double start; std::vector<Event> expected; } cases[] = {
        {0.0, {{0.0, 0, -1, false}, {0.25, 1, 0, false}, {0.5, 2, 1, false}, {0.6, -1, 2, false}, {0.75, 3, -1, false},
               {1.0, 3, 3, true}}},
        {0.5, {{0.5, 2, 1, false}, {0.6, -1, 2, false}, {0.75, 3, -1, false}, {1.0, 3, 3, true}}},
        {0.55, {{0.55, -1, -1, false}, {0.6, -1, 2, false}, {0.75, 3, -1, false}, {1.0, 3, 3, true}}},
        {0.6, {{0.6, -1, 2, false}, {0.75, 3, -1, false}, {1.0, 3, 3, true}}},
        {0.9, {{0.9, -1, -1, false}, {1.0, 3, 3, true}}},
    };
    for (const auto& k : cases) {
        ASSERT_TRUE(build_monitoring_schedule(c, 1.0, 4, k.start, events, error)) << k.start;
        ASSERT_EQ(events.size(), k.expected.size()) << k.start;
        for (std::size_t i = 0; i < events.size(); ++i) {
            EXPECT_DOUBLE_EQ(events[i].t, k.expected[i].t) << k.start << " " << i;
            EXPECT_EQ(events[i].ki_period, k.expected[i].ki) << k.start << " " << i;
            EXPECT_EQ(events[i].ko_obs, k.expected[i].ko) << k.start << " " << i;
            EXPECT_EQ(events[i].maturity, k.expected[i].maturity) << k.start << " " << i;
        }
    }
    for (double refused : {1.0, 1.5, -0.25, kNaN})
        EXPECT_FALSE(build_monitoring_schedule(c, 1.0, 4, refused, events, error)) << refused;
    c.obs_times = {0.5, 0.5, 0.7, 1.0};
    EXPECT_FALSE(build_monitoring_schedule(c, 1.0, 4, events, error));
    EXPECT_FALSE(error.empty());
}

// The contract valued `elapsed` after inception is the contract whose
// remaining observations start today, with coupons raised so that they pay
// what accrued from inception: c' (t - elapsed) = c t.
AccurateCase startedLater(const AccurateCase& k, double elapsed)
{
    AccurateCase later = k;
    SnowballContract& c = later.contract;
    c.obs_times.clear(), c.ko_barrier.clear(), c.ko_coupon.clear(), c.ki_barrier.clear();
    const SnowballContract& o = k.contract;
    for (std::size_t i = 0; i < o.obs_times.size(); ++i) {
        if (o.obs_times[i] < elapsed)
            continue;
        c.obs_times.push_back(o.obs_times[i] - elapsed);
        c.ko_barrier.push_back(o.ko_barrier[i]);
        c.ko_coupon.push_back(o.ko_coupon[i] * o.obs_times[i] / (o.obs_times[i] - elapsed));
        c.ki_barrier.push_back(o.ki_barrier[i]);
    }
    c.div_coupon = o.div_coupon * k.model.T / (k.model.T - elapsed);
    later.model.T = k.model.T - elapsed;
    return later;
}

TEST(AccurateMode, LookupAtALaterDateIsTheContractStartedThen)
{
    AccurateCase option = monthlyNoteCase();
    option.contract.form = PayoffForm::Option;
    for (const AccurateCase& k : {monthlyNoteCase(), option}) {
        for (int days : {61, 130}) {
            const double elapsed = days / 243.0;
            const AccurateCase later = startedLater(k, elapsed);
            for (bool knocked_in : {false, true}) {
                const Snowball_PDE engine = engineFor(k, PricingMethod::Accurate);
                const GreeksValuation got = engine.accurate_lookup(100.0, k.model.T - elapsed, knocked_in);
                ASSERT_TRUE(got.error.empty()) << got.error;
                const GreeksValuation want =
                    greeks_accurate(later.contract, later.model, later.year_days, 100.0, knocked_in);
                ASSERT_TRUE(want.error.empty()) << want.error;
                // Price, delta, gamma and the estimate to rounding; theta, vega, rho to 1e-6.
                const double tolerance[] = {1e-9, 1e-9, 1e-9, 1e-6, 1e-6, 1e-6, 1e-9};
                for (int i = 0; i < 7; ++i)
                    EXPECT_NEAR(numbers(got)[i], numbers(want)[i], tolerance[i]) << days << knocked_in << i;
                // Not the contract with the original coupons over the time left.
                AccurateCase unaccrued = later;
                unaccrued.contract.ko_coupon = std::vector<double>(later.contract.ko_coupon.size(), 0.16);
                unaccrued.contract.div_coupon = 0.16;
                const GreeksValuation wrong =
                    greeks_accurate(unaccrued.contract, unaccrued.model, 243, 100.0, knocked_in);
                EXPECT_GT(std::fabs(wrong.price - got.price), 0.5) << days << knocked_in;
            }
        }
    }
}

// The digital note: its lookups at any spot and date against the closed form.
TEST(AccurateMode, LookupAtAnotherSpotAndDateMatchesTheClosedForm)
{
    const DigitalNote digital;
    Snowball_PDE engine;
    engine.set_structure(digital.contract(), accurateModel(digital.sigma, digital.r, digital.q, digital.T));
    engine.method = PricingMethod::Accurate;
    engine.year_days = 12;
    const double sigma = 0.25, h = 0.01;
    for (double tau : {1.0, 8.0 / 12.0, 3.0 / 12.0}) {
        for (double S : {90.0, 100.0, 112.0}) {
            for (bool knocked_in : {false, true}) {
                auto v = [&](double s, double vol, double t) { return digital.value(s, knocked_in, vol, digital.r, t); };
                const GreeksValuation g = engine.accurate_lookup(S, tau, knocked_in);
                ASSERT_TRUE(g.error.empty()) << g.error;
                EXPECT_NEAR(g.price, v(S, sigma, tau), 3e-4) << tau << " " << S;
                EXPECT_LE(std::fabs(g.price - v(S, sigma, tau)), *g.error_estimate + 1e-5) << tau << " " << S;
                EXPECT_NEAR(g.delta, (v(S + h, sigma, tau) - v(S - h, sigma, tau)) / (2 * h), 3e-4);
                EXPECT_NEAR(g.gamma, (v(S + h, sigma, tau) - 2 * v(S, sigma, tau) + v(S - h, sigma, tau)) / (h * h),
                            3e-4);
                EXPECT_NEAR(g.vega, (v(S, sigma + h, tau) - v(S, sigma - h, tau)) / (2 * h), 1e-2);
                const double month = 1.0 / 12.0;
                EXPECT_NEAR(g.theta, (v(S, sigma, tau - month) - v(S, sigma, tau)) / month, 1e-2);
            }
        }
    }
}

TEST(AccurateMode, LookupAtInceptionAndSpotIsTheGreeksBitForBit)
{
    const AccurateCase k = defaultCase();
    const Snowball_PDE engine = engineFor(k, PricingMethod::Accurate);
    const GreeksValuation want = greeks_accurate(k.contract, engine.params, k.year_days, 100.0, false);
    // tau = T, beyond T and not a number all value today, as the grid lookups read column 0.
    for (double tau : {1.0, 2.0, -1.0, kNaN}) {
        const GreeksValuation got = engine.accurate_lookup(100.0, tau, false);
        EXPECT_EQ(numbers(got), numbers(want)) << tau;
    }
    // At maturity there is nothing left to solve; off the positive prices no grid.
    for (const auto& refused : {std::make_pair(100.0, 0.0), std::make_pair(0.0, 0.5), std::make_pair(kNaN, 0.5)}) {
        const GreeksValuation g = engine.accurate_lookup(refused.first, refused.second, false);
        EXPECT_FALSE(g.error.empty()) << refused.first << " " << refused.second;
        EXPECT_TRUE(std::isnan(g.price));
    }
}

TEST(AccurateMode, StressGridSolvesOncePerVolatility)
{
    const AccurateCase k = monthlyNoteCase();
    const Snowball_PDE engine = engineFor(k, PricingMethod::Accurate);
    GridAxis prices{70.0, 10.0, 7}, vols{0.1, 0.1, 3};
    const double tau = 180.0 / 243.0;
    StressResult out = stress_grid(engine.request(), prices, vols, tau);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out.tv.size(), 3u);
    for (int j = 0; j < vols.count; ++j) {
        Snowball_PDE at = engine;
        at.set_param(Param::Sigma, vols.at(j));
        const AccurateSolution s =
            solve_accurate(k.contract, at.params, k.year_days, AccurateValuation{1.0 - tau, kNaN});
        ASSERT_TRUE(s.ok());
        for (int i = 0; i < prices.count; ++i) {
            EXPECT_EQ(out.tv[j][i], s.value(prices.at(i), false)) << j << " " << i;
            EXPECT_EQ(out.delta[j][i], s.delta(prices.at(i), false));
            EXPECT_EQ(out.gamma[j][i], s.gamma(prices.at(i), false));
        }
        // At the notional the stress value is the lookup's price within both estimates.
        const GreeksValuation g = at.accurate_lookup(100.0, tau, false);
        EXPECT_NEAR(out.tv[j][3], g.price, 2.0 * *g.error_estimate + 1e-4);
    }
    // Today, the stress value at the spot is the accurate price.
    Snowball_PDE today = engine;
    today.set_param(Param::Sigma, 0.2);
    out = stress_grid(engine.request(), prices, vols, k.model.T);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.tv[1][3], today.price());
    // A volatility the pricer refuses gives a row of NaN, the others their values.
    GridAxis with_zero{0.0, 0.2, 2};
    out = stress_grid(engine.request(), prices, with_zero, tau);
    ASSERT_TRUE(out.ok());
    EXPECT_TRUE(std::isnan(out.tv[0][3]));
    EXPECT_FALSE(std::isnan(out.tv[1][3]));
    EXPECT_EQ(engine.params.sigma, k.model.sigma);
}

}  // namespace
