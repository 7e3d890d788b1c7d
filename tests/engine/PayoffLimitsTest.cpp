// Floor, participation and limiting cases compared with closed forms.
#include "EngineFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// With sigma = r = q = 0 the implicit operator is the identity: the
// underlying stays where it is and every price is a known payout.
Terms frozen(double ko, double ki)
{
    Terms t = Terms::default_note();
    t.params.sigma = 0.0;
    t.params.r = 0.0;
    t.params.N = 48;
    t.resize_schedule(t.obs.size(), ko, 0.16, ki);
    t.div = 0.10;
    return t;
}

double normal_cdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

double black_scholes_put(double S, double K, double sigma, double T, double r)
{
    const double d1 = (std::log(S / K) + (r + 0.5 * sigma * sigma) * T) / (sigma * std::sqrt(T));
    const double d2 = d1 - sigma * std::sqrt(T);
    return K * std::exp(-r * T) * normal_cdf(-d2) - S * normal_cdf(-d1);
}

TEST(PayoffLimits, FrozenUnderlyingPaysKnownAmounts)
{
    // Spot at or above the barrier: out at the first observation (3 months).
    Terms out = frozen(95.0, 80.0);
    EXPECT_DOUBLE_EQ(out.run(), 100.0 * (1.0 + 0.16 * 0.25));
    out.payoff_type = 1.0;
    EXPECT_DOUBLE_EQ(out.run(), 100.0 * 0.16 * 0.25);
    out.payoff_type = 0.0;
    out.ko.assign(out.ko.size(), 100.0);  // barrier exactly at the spot
    EXPECT_DOUBLE_EQ(out.run(), 104.0);

    // Between the barriers: the dividend coupon for the year.
    Terms alive = frozen(150.0, 80.0);
    EXPECT_DOUBLE_EQ(alive.run(), 110.0);
    alive.payoff_type = 1.0;
    EXPECT_DOUBLE_EQ(alive.run(), 10.0);

    // Below the knock-in barrier: the underlying, or the floor above it.
    Terms in = frozen(150.0, 105.0);
    EXPECT_DOUBLE_EQ(in.run(), 100.0);
    in.floor = 120.0;
    EXPECT_DOUBLE_EQ(in.run(), 120.0);
    in.payoff_type = 1.0;
    EXPECT_DOUBLE_EQ(in.run(), 20.0);
}

TEST(PayoffLimits, ParticipationOnKnockOut)
{
    Terms t = frozen(95.0, 80.0);
    t.strike = 90.0;
    t.participation = 0.5;
    EXPECT_DOUBLE_EQ(t.run(), 100.0 * (1.0 + 0.16 * 0.25) + (100.0 - 90.0) * 0.5);
    // A strike between nodes is rounded up to the next node on the grid.
    t.strike = 89.5;
    EXPECT_DOUBLE_EQ(t.run(), 104.0 + 10.0 * 0.5);
    // A spot at or below the strike node earns nothing extra.
    t.strike = 100.0;
    EXPECT_DOUBLE_EQ(t.run(), 104.0);
    t.strike = 120.0;
    EXPECT_DOUBLE_EQ(t.run(), 104.0);
    // No participation ratio, no term, whatever the strike.
    t.strike = 50.0;
    t.participation = 0.0;
    EXPECT_DOUBLE_EQ(t.run(), 104.0);
}

TEST(PayoffLimits, ParticipationOnTheGridAndAtTheTop)
{
    Terms t = Terms::default_note();
    t.params.N = 24;
    t.strike = 110.5;  // strike node 111; the top uses the strike itself
    t.participation = 0.5;
    Snowball_PDE e = t.engine();
    ASSERT_TRUE(std::isfinite(e.price_with_grids()));
    const int month6 = 12;
    EXPECT_DOUBLE_EQ(e.Price(112, month6 + 1), 108.0);                // node 111: nothing yet
    EXPECT_DOUBLE_EQ(e.Price(151, month6 + 1), 108.0 + 39.0 * 0.5);   // node 150
    EXPECT_DOUBLE_EQ(e.Price(201, month6 + 1), 108.0 + 89.5 * 0.5);   // node 200, the top
    EXPECT_DOUBLE_EQ(e.Price_KI(151, 25), 116.0 + 39.0 * 0.5);        // maturity
    EXPECT_DOUBLE_EQ(e.Price_KI(201, 25), 116.0 + 89.5 * 0.5);

    t.participation = 0.0;
    Snowball_PDE none = t.engine();
    ASSERT_TRUE(std::isfinite(none.price_with_grids()));
    EXPECT_DOUBLE_EQ(none.Price(201, month6 + 1), 108.0);
    EXPECT_DOUBLE_EQ(none.Price(201, 25), 116.0);
}

TEST(PayoffLimits, FloorOnEveryNodeAtOrBelowIt)
{
    Terms t = Terms::default_note();
    t.params.N = 24;
    t.floor = 80.0;
    Snowball_PDE e = t.engine();
    ASSERT_TRUE(std::isfinite(e.price_with_grids()));
    for (int n = 0; n <= 80; ++n) {
        EXPECT_EQ(e.Price(n + 1, 25), 80.0) << n;
        EXPECT_EQ(e.Price_KI(n + 1, 25), 80.0) << n;
    }
    EXPECT_EQ(e.Price_KI(82, 25), 81.0);
    for (int j = 0; j < 24; ++j)
        EXPECT_DOUBLE_EQ(e.Price(1, j + 1), 80.0 * std::exp(-0.015 * (24 - j) / 24.0)) << j;

    t.payoff_type = 1.0;
    Snowball_PDE option = t.engine();
    ASSERT_TRUE(std::isfinite(option.price_with_grids()));
    EXPECT_EQ(option.Price(81, 25), -20.0);
    EXPECT_DOUBLE_EQ(option.Price(1, 1), 80.0 * std::exp(-0.015) - 100.0);
}

TEST(PayoffLimits, NeverKnockingInOrOutIsADiscountedFixedPayout)
{
    // No node knocks in (ki 0) or out (barrier at the top, whose boundary
    // then pays what every other node pays).
    Terms t = Terms::single(200.0, 0.10, 0.0);
    t.div = 0.10;
    t.params.N = 400;
    const double expected = 100.0 * 1.10 * std::exp(-0.015);
    EXPECT_NEAR(t.run(), expected, 2e-4);
    t.payoff_type = 1.0;
    EXPECT_NEAR(t.run(), 10.0 * std::exp(-0.015), 2e-4);
}

TEST(PayoffLimits, AlwaysKnockedInIsTheUnderlyingOrTheFloor)
{
    // Knocked in everywhere, the top boundary pays S_max: the note is the
    // underlying delivered at maturity, worth S0 without rates.
    Terms t = Terms::single(200.0, 1.0, 200.0);
    t.params.r = 0.0;
    t.params.sigma = 0.25;
    EXPECT_NEAR(t.run(), 100.0, 1e-9);
    Snowball_PDE e = t.engine();
    ASSERT_TRUE(std::isfinite(e.price_with_grids()));
    for (int n = 0; n <= 200; n += 10)
        EXPECT_NEAR(e.Price(n + 1, 1), n, 1e-9) << n;

    // With a floor it is the underlying plus a put struck at the floor.
    t.floor = 80.0;
    t.params.M = 400;
    t.params.N = 400;
    EXPECT_NEAR(t.run(), 100.0 + black_scholes_put(100.0, 80.0, 0.25, 1.0, 0.0), 0.01);
}

}  // namespace
