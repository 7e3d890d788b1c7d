// Where knock-in and knock-out act on the grid, in note and option form,
// with the barrier on a node and between nodes; the boundaries; the spot node.
#include "EngineTestSupport.h"

namespace {

const int kMaturity = 24;
const int kMonth6 = 12;

bool near(double a, double b) { return std::fabs(a - b) < 1e-12; }

// dS = 1 (node n is the price n), dt = 1/24 (observation month m is column 2m).
struct Solved
{
    Snowball_PDE e;
    // One barrier each is flat, longer lists are schedules.
    Solved(const std::vector<double>& ko, const std::vector<double>& ki, double payoff_type = 0.0)
        : e(classicSnowball(200, kMaturity, 3))
    {
        setFlat(e, ko[0], 0.16, ki[0]);
        if (ko.size() > 1)
            e.contract.ko_barrier = ko, e.contract.ki_barrier = ki;
        e.contract.div_coupon = 0.10;
        e.contract.form = payoff_type > 0.5 ? PayoffForm::Option : PayoffForm::Note;
        EXPECT_TRUE(std::isfinite(e.price_with_grids()));
        EXPECT_TRUE(e.Price.Nrows() == 201 && e.Price.Ncols() == kMaturity + 1);
    }
    // Value at node n, column j (0-based as on the grid).
    double nki(int n, int j) const { return e.Price(n + 1, j + 1); }
    double ki(int n, int j) const { return e.Price_KI(n + 1, j + 1); }
    bool knockedIn(int n, int j) const { return nki(n, j) == ki(n, j); }
    bool notKnockedIn(int n, int j) const { return nki(n, j) > ki(n, j) + 1e-6; }
};

TEST(BarrierPlacement, NoteKnocksOutAtAndAboveTheBarrierNodeAndInAtAndBelowIt)
{
    // On nodes, and between them: ko 102.5 knocks out from node 103 on,
    // ki 75.5 counts node 75 as knocked in, 76 not.
    for (auto barriers : {std::pair<double, double>{103.0, 75.0}, {102.5, 75.5}}) {
        const Solved g({barriers.first}, {barriers.second});
        // Maturity: coupon for the year from node 103 on; dividend coupon above
        // the knock-in node; the underlying itself at and below it. Month 6: half
        // a year of coupon from node 103 on, in both grids.
        for (int n = 103; n <= 199; ++n) {
            EXPECT_TRUE(near(g.nki(n, kMaturity), 116.0) && near(g.ki(n, kMaturity), 116.0)) << n;
            EXPECT_TRUE(near(g.nki(n, kMonth6), 108.0) && near(g.ki(n, kMonth6), 108.0)) << n;
        }
        EXPECT_TRUE(near(g.nki(102, kMaturity), 110.0) && near(g.ki(102, kMaturity), 102.0));
        EXPECT_TRUE(near(g.nki(76, kMaturity), 110.0) && near(g.nki(75, kMaturity), 75.0));
        EXPECT_NE(g.nki(102, kMonth6), 108.0);
        EXPECT_NE(g.nki(150, kMonth6 + 1), 108.0);  // between observations nothing is knocked out
        for (int j : {0, 3, kMonth6, kMonth6 + 1, kMaturity - 1}) {
            for (int n = 1; n <= 75; ++n)
                EXPECT_TRUE(g.knockedIn(n, j)) << n << ", " << j;
            EXPECT_TRUE(g.notKnockedIn(76, j)) << j;
        }
    }
}

TEST(BarrierPlacement, StepDownBarriersActPerObservation)
{
    // Knock-out 103 at month 3 down to 94 at month 12; knock-in 60 from the
    // period ending at month 6, which begins on the month-5 column.
    const Solved g({103, 102, 101, 100, 99, 98, 97, 96, 95, 94}, {75, 75, 75, 60, 60, 60, 60, 60, 60, 60});
    EXPECT_DOUBLE_EQ(g.nki(100, kMonth6), 108.0);
    EXPECT_NE(g.nki(99, kMonth6), 108.0);
    EXPECT_DOUBLE_EQ(g.nki(94, kMaturity), 116.0);
    EXPECT_DOUBLE_EQ(g.nki(93, kMaturity), 110.0);
    const int month5 = 10;
    EXPECT_TRUE(g.knockedIn(60, month5) && g.notKnockedIn(61, month5));
    EXPECT_TRUE(g.knockedIn(75, month5 - 1) && g.notKnockedIn(76, month5 - 1));
}

TEST(BarrierPlacement, BoundariesOfTheNoteAndTheOptionMeasuredFromTheSpot)
{
    const Solved note({103.0}, {75.0}), option({103.0}, {75.0}, 1.0);
    const double r = 0.015, dt = 1.0 / 24.0;
    // Node 200 pays the next observation's coupon, discounted to the column; node 0 nothing.
    EXPECT_DOUBLE_EQ(note.nki(200, 6), 100.0 * (1.0 + 0.16 * 0.25));
    EXPECT_DOUBLE_EQ(note.nki(200, 7), std::exp(-r * dt) * 100.0 * (1.0 + 0.16 * 8.0 / 24.0));
    EXPECT_DOUBLE_EQ(note.nki(200, 0), std::exp(-r * 6 * dt) * 100.0 * (1.0 + 0.16 * 0.25));
    EXPECT_DOUBLE_EQ(note.ki(200, 23), std::exp(-r * dt) * 116.0);
    for (int j = 0; j < kMaturity; ++j)
        EXPECT_TRUE(note.nki(0, j) == 0.0 && option.nki(0, j) == -100.0 && option.ki(0, j) == -100.0) << j;
    EXPECT_TRUE(near(option.nki(103, kMaturity), 16.0) && near(option.nki(102, kMaturity), 10.0));
    EXPECT_TRUE(near(option.ki(102, kMaturity), 2.0) && near(option.nki(75, kMaturity), -25.0));
    EXPECT_TRUE(near(option.nki(150, kMonth6), 8.0) && near(option.nki(200, kMonth6), 8.0));
    // The note and the option differ by the principal S0 at maturity; any
    // payoff type above one half is the option form.
    for (int n = 0; n <= 200; n += 7)
        EXPECT_NEAR(note.nki(n, kMaturity) - option.nki(n, kMaturity), 100.0, 1e-12) << n;
    EXPECT_EQ(Solved({103.0}, {75.0}, 0.51).nki(100, 0), option.nki(100, 0));
    EXPECT_EQ(Solved({103.0}, {75.0}, 0.5).nki(100, 0), note.nki(100, 0));
}

TEST(BarrierPlacement, SpotBetweenNodesIsPricedAtTheNodeBelow)
{
    Snowball_PDE e = classicSnowball(20, 48, 3);  // dS = 10
    for (auto spot_node : {std::pair<double, int>{105.0, 10}, {5.0, 1}}) {  // below the first step: node 1
        e.params.S0 = spot_node.first;
        const double price = e.price_with_grids();
        EXPECT_EQ(price, e.Price(spot_node.second + 1, 1)) << spot_node.first;
    }
}

}  // namespace
