// Refusals of the finite-difference solver: every refused input ends in NaN,
// leaves the output grids alone and never throws.
#include "EngineTestSupport.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
using E = Snowball_PDE;
using Case = std::pair<const char*, std::function<void(E&)>>;

E note() { return classicSnowball(200, 243, 3); }

TEST(SolverRefusal, RefusedTermsGiveNaNSilentlyAndLeaveTheOutputsAlone)
{
    // Each refusal code is checked in the rule table; here one term of each kind, refused before any
    // output is touched, and the non-finite values the table does not list.
    const Case cases[] = {
        {"S0 negative", [](E& e) { e.params.S0 = -5.0; }}, {"NaN S_max", [](E& e) { e.params.S_max = kNaN; }},
        {"NaN sigma", [](E& e) { e.params.sigma = kNaN; }}, {"NaN T", [](E& e) { e.params.T = kNaN; }},
        {"infinite T", [](E& e) { e.params.T = std::numeric_limits<double>::infinity(); }},
        // The operator would fail on such a drift too, but only after laying out the grid and logging.
        {"minus infinite q", [](E& e) { e.params.q = -std::numeric_limits<double>::infinity(); }},
        {"ko_coupon shorter", [](E& e) { e.contract.ko_coupon.pop_back(); }},
        {"ko above S_max", [](E& e) { e.contract.ko_barrier[3] = 200.5; }}, {"NaN ko", [](E& e) { e.contract.ko_barrier[2] = kNaN; }},
        {"NaN ki", [](E& e) { e.contract.ki_barrier[2] = kNaN; }}, {"negative coupon", [](E& e) { e.contract.ko_coupon[0] = -0.1; }},
        {"NaN dividend coupon", [](E& e) { e.contract.div_coupon = kNaN; }},
        {"negative floor", [](E& e) { e.contract.floor_price = -80.0; }}, {"NaN floor", [](E& e) { e.contract.floor_price = kNaN; }},
    };
    LogCapture log;
    for (const Case& c : cases) {
        E e = note();
        c.second(e);
        e.Price.ReSize(2, 2);
        e.Price = 7.0;
        e.dS = e.dt = -1.0;
        EXPECT_TRUE(std::isnan(e.price_with_grids())) << c.first;
        EXPECT_TRUE(e.Price(2, 2) == 7.0 && e.Price_KI.Nrows() == 0 && e.dS == -1.0 && e.dt == -1.0) << c.first;
    }
    EXPECT_EQ(log.count(AppLogger::Err), 0);
    EXPECT_TRUE(std::isnan(E().price()));
}

TEST(SolverRefusal, UnplaceableObservationsAreRefusedAfterWritingTheSteps)
{
    LogCapture log;
    const Case cases[] = {
        {"negative observation", [](E& e) { e.contract.obs_times[0] = -0.1; }},
        {"NaN observation", [](E& e) { e.contract.obs_times[4] = kNaN; }},
        {"empty schedule", [](E& e) { e.contract.obs_times.clear(), setFlat(e, 103, 0.16, 80); }},
    };
    for (const Case& c : cases) {
        E e = note();
        c.second(e);
        EXPECT_TRUE(std::isnan(e.price_with_grids())) << c.first;
        EXPECT_TRUE(e.dS == 1.0 && e.dt == 1.0 / 243.0 && e.Price.Nrows() == 0) << c.first;
    }
    EXPECT_EQ(log.count(AppLogger::Err, "observation:-0.10000 exceed."), 1);
    // Observations sharing a time column (or descending) would leave one unsettled.
    E e = classicSnowball(200, 12);  // dt = 1/12: 0.25 and 0.26 share column 3
    for (auto obs : {std::vector<double>{0.25, 0.26, 1.0}, {0.5, 0.25, 1.0}}) {
        e.contract.obs_times = obs;
        setFlat(e, 103.0, 0.16, 80.0);
        EXPECT_TRUE(std::isnan(e.price()));
    }
    EXPECT_EQ(log.count(AppLogger::Err, "observation:0.26000 falls on time column 3, not after the column 3 of "
                                        "the observation before it."), 1);
    e.contract.obs_times = {0.25, 0.26, 1.0};
    e.set_grid_size(200, 1000);  // on a finer grid the same dates are distinct columns
    EXPECT_TRUE(std::isfinite(e.price()));
}

TEST(SolverRefusal, NegativeRatesArePricedANaNYieldCountsAsZeroAndEveryRunIsTimed)
{
    LogCapture log;
    E e = note();
    const double base = e.price();
    e.params.q = kNaN;
    EXPECT_EQ(e.price(), base);
    EXPECT_EQ(e.params.q, 0.0);  // written back
    e.params.r = -0.005;
    e.params.q = -0.01;
    e.set_grid_size(50, 20);
    EXPECT_TRUE(std::isfinite(e.price()));
    EXPECT_EQ(log.count_matching(AppLogger::Info, R"(auto_call_finite_diff_implicit\(200, 243\) uses \d+ seconds\.)"), 2);
    EXPECT_EQ(log.count_matching(AppLogger::Info, R"(auto_call_finite_diff_implicit\(50, 20\) uses \d+ seconds\.)"), 1);
}

TEST(SolverRefusal, GridsTooSmallOrTooLargeAreRefusedWithOneErrorLineEach)
{
    LogCapture log;
    for (auto mn : {std::pair<int, int>{2, 10}, {3, 0}, {-5, 10}, {10, -1}}) {
        E e = classicSnowball(mn.first, mn.second, 12);
        e.dS = -1.0;
        EXPECT_TRUE(std::isnan(e.price_with_grids()) && e.dS == -1.0) << mn.first << ", " << mn.second;
        char line[128];
        std::snprintf(line, sizeof line,
                      "auto_call_finite_diff_implicit(%d, %d) refused: M must be at least 3 and N at least 1.",
                      mn.first, mn.second);
        EXPECT_EQ(log.count(AppLogger::Err, line), 1);
    }
    EXPECT_TRUE(std::isfinite(classicSnowball(3, 1, 12).price()));
    // Huge grids are refused, not allocated; kept grids go into Newmat, whose sizes are ints.
    for (auto mn : {std::pair<int, int>{INT_MAX, INT_MAX}, {INT_MAX, 10}, {3, INT_MAX}})
        EXPECT_TRUE(std::isnan(classicSnowball(mn.first, mn.second, 12).price())) << mn.first << ", " << mn.second;
    E e = classicSnowball(100000, 100000, 12);
    EXPECT_FALSE(e.calculate());
    EXPECT_TRUE(std::isnan(e.price_with_grids()) && e.Price.Nrows() == 0);
    EXPECT_EQ(log.count(AppLogger::Err), 4 + 5);
}

}  // namespace
