// Where knock-in and knock-out act on the grid, in note and option form,
// with the barrier on a node and between nodes; the boundaries; the spot node.
#include "EngineFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// dS = 1 (node n is the price n), dt = 1/24 (observation month m is column 2m).
Terms monthly_on_unit_grid(double ko, double ki)
{
    Terms t = Terms::default_note();
    t.params.N = 24;
    t.resize_schedule(t.obs.size(), ko, 0.16, ki);
    t.div = 0.10;
    return t;
}

struct Grids
{
    Snowball_PDE e;
    // Value at node n, column j (0-based as on the grid).
    double nki(int n, int j) const { return e.Price(n + 1, j + 1); }
    double ki(int n, int j) const { return e.Price_KI(n + 1, j + 1); }
};

Grids solve(const Terms& t)
{
    Grids g{t.engine()};
    EXPECT_TRUE(std::isfinite(g.e.price_with_grids()));
    EXPECT_EQ(g.e.Price.Nrows(), t.params.M + 1);
    EXPECT_EQ(g.e.Price.Ncols(), t.params.N + 1);
    return g;
}

const int kMaturity = 24;
const int kMonth6 = 12;

TEST(BarrierPlacement, NoteKnocksOutAtAndAboveTheBarrierNode)
{
    const Grids g = solve(monthly_on_unit_grid(103.0, 75.0));
    // Maturity: coupon for the year from node 103 on; dividend coupon above
    // the knock-in node; the underlying itself at and below it.
    for (int n = 103; n <= 200; ++n) {
        EXPECT_DOUBLE_EQ(g.nki(n, kMaturity), 116.0) << n;
        EXPECT_DOUBLE_EQ(g.ki(n, kMaturity), 116.0) << n;
    }
    EXPECT_DOUBLE_EQ(g.nki(102, kMaturity), 110.0);
    EXPECT_DOUBLE_EQ(g.ki(102, kMaturity), 102.0);
    EXPECT_DOUBLE_EQ(g.nki(76, kMaturity), 110.0);
    EXPECT_DOUBLE_EQ(g.nki(75, kMaturity), 75.0);
    EXPECT_DOUBLE_EQ(g.ki(75, kMaturity), 75.0);
    // Month 6: half a year of coupon from node 103 on, in both grids.
    for (int n = 103; n <= 199; ++n) {
        EXPECT_DOUBLE_EQ(g.nki(n, kMonth6), 108.0) << n;
        EXPECT_DOUBLE_EQ(g.ki(n, kMonth6), 108.0) << n;
    }
    EXPECT_NE(g.nki(102, kMonth6), 108.0);
    // Between observations nothing is knocked out.
    EXPECT_NE(g.nki(150, kMonth6 + 1), 108.0);
}

TEST(BarrierPlacement, KnockedInBelowTheBarrierNodeOnEveryColumn)
{
    const Grids g = solve(monthly_on_unit_grid(103.0, 75.0));
    for (int j : {0, 3, kMonth6, kMonth6 + 1, kMaturity - 1}) {
        for (int n = 1; n <= 75; ++n)
            EXPECT_EQ(g.nki(n, j), g.ki(n, j)) << n << ", " << j;
        EXPECT_GT(g.nki(76, j), g.ki(76, j) + 1e-6) << j;
    }
}

TEST(BarrierPlacement, BarriersBetweenNodes)
{
    // ko 102.5 knocks out from node 103 on; ki 75.5 counts node 75 as knocked in, 76 not.
    const Grids g = solve(monthly_on_unit_grid(102.5, 75.5));
    EXPECT_DOUBLE_EQ(g.nki(103, kMonth6), 108.0);
    EXPECT_NE(g.nki(102, kMonth6), 108.0);
    EXPECT_DOUBLE_EQ(g.nki(103, kMaturity), 116.0);
    EXPECT_DOUBLE_EQ(g.nki(102, kMaturity), 110.0);
    EXPECT_EQ(g.nki(75, 5), g.ki(75, 5));
    EXPECT_GT(g.nki(76, 5), g.ki(76, 5) + 1e-6);
    EXPECT_DOUBLE_EQ(g.nki(76, kMaturity), 110.0);
    EXPECT_DOUBLE_EQ(g.nki(75, kMaturity), 75.0);
}

TEST(BarrierPlacement, StepDownBarriersActPerObservation)
{
    Terms t = monthly_on_unit_grid(103.0, 75.0);
    for (std::size_t k = 0; k < t.ko.size(); ++k)
        t.ko[k] = 103.0 - k;  // month 3: 103 ... month 12: 94
    // Knock-in 60 in the period ending at month 6, which begins on the month-5 column.
    t.ki = {75, 75, 75, 60, 60, 60, 60, 60, 60, 60};
    const Grids g = solve(t);
    // Month 6 is observation 3: barrier 100, coupon for half a year.
    EXPECT_DOUBLE_EQ(g.nki(100, kMonth6), 108.0);
    EXPECT_NE(g.nki(99, kMonth6), 108.0);
    // Maturity: barrier 94.
    EXPECT_DOUBLE_EQ(g.nki(94, kMaturity), 116.0);
    EXPECT_DOUBLE_EQ(g.nki(93, kMaturity), 110.0);
    // On the month-5 column the barrier of the period that begins there applies;
    // the column before it still belongs to the 75 period.
    const int month5 = 10;
    EXPECT_EQ(g.nki(60, month5), g.ki(60, month5));
    EXPECT_GT(g.nki(61, month5), g.ki(61, month5) + 1e-6);
    EXPECT_EQ(g.nki(75, month5 - 1), g.ki(75, month5 - 1));
    EXPECT_GT(g.nki(76, month5 - 1), g.ki(76, month5 - 1) + 1e-6);
}

TEST(BarrierPlacement, OptionFormMeasuresFromTheSpot)
{
    Terms t = monthly_on_unit_grid(103.0, 75.0);
    t.payoff_type = 1.0;
    const Grids g = solve(t);
    EXPECT_DOUBLE_EQ(g.nki(103, kMaturity), 16.0);
    EXPECT_DOUBLE_EQ(g.nki(102, kMaturity), 10.0);
    EXPECT_DOUBLE_EQ(g.ki(102, kMaturity), 2.0);
    EXPECT_DOUBLE_EQ(g.nki(75, kMaturity), -25.0);
    EXPECT_DOUBLE_EQ(g.nki(150, kMonth6), 8.0);
    EXPECT_DOUBLE_EQ(g.nki(200, kMonth6), 8.0);
    for (int j = 0; j < kMaturity; ++j) {
        EXPECT_EQ(g.nki(0, j), -100.0);
        EXPECT_EQ(g.ki(0, j), -100.0);
    }
    // The note and the option differ by the principal S0 at maturity.
    Terms note = monthly_on_unit_grid(103.0, 75.0);
    const Grids gn = solve(note);
    for (int n = 0; n <= 200; n += 7)
        EXPECT_NEAR(gn.nki(n, kMaturity) - g.nki(n, kMaturity), 100.0, 1e-12) << n;
    // Any payoff type above one half is the option form.
    t.payoff_type = 0.51;
    EXPECT_EQ(t.run(), g.e.Price(101, 1));
    t.payoff_type = 0.5;
    EXPECT_EQ(t.run(), gn.e.Price(101, 1));
}

TEST(BarrierPlacement, BoundariesWithoutFloorOrParticipation)
{
    const Terms t = monthly_on_unit_grid(103.0, 75.0);
    const Grids g = solve(t);
    const double r = t.params.r;
    const double dt = 1.0 / 24.0;
    for (int j = 0; j < kMaturity; ++j)
        EXPECT_EQ(g.nki(0, j), 0.0);
    // Node 200 pays the next observation's coupon, discounted to the column.
    EXPECT_DOUBLE_EQ(g.nki(200, 6), 100.0 * (1.0 + 0.16 * 0.25));
    EXPECT_DOUBLE_EQ(g.nki(200, 7), std::exp(-r * dt) * 100.0 * (1.0 + 0.16 * 8.0 / 24.0));
    EXPECT_DOUBLE_EQ(g.nki(200, 0), std::exp(-r * 6 * dt) * 100.0 * (1.0 + 0.16 * 0.25));
    EXPECT_DOUBLE_EQ(g.ki(200, 23), std::exp(-r * dt) * 116.0);
}

TEST(BarrierPlacement, SpotBetweenNodesIsPricedAtTheNodeBelow)
{
    Terms t = Terms::default_note();
    t.params.M = 20;  // dS = 10
    t.params.N = 48;
    t.params.S0 = 105.0;
    Grids g = solve(t);
    EXPECT_EQ(g.e.price(), g.nki(10, 0));
    t.params.S0 = 5.0;  // below the first step: node 1
    Grids low = solve(t);
    EXPECT_EQ(low.e.price(), low.nki(1, 0));
}

}  // namespace
