// Refusals of the finite-difference solver: every refused input ends in NaN,
// leaves the output grids alone and never throws.
#include "EngineFixtures.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs the terms with every output pointer set and checks that the grids
// were not written (dS/dt are checked by the caller where they matter).
double run_with_outputs(const Terms& t, NEWMAT::Matrix& price, NEWMAT::Matrix& price_ki, double& dS, double& dt)
{
    PDEParams p = t.params;
    p.out_price = &price;
    p.out_price_ki = &price_ki;
    p.out_dS = &dS;
    p.out_dt = &dt;
    return t.run(p);
}

struct Case
{
    const char* what;
    std::function<void(Terms&)> spoil;
};

TEST(SolverRefusal, EachListedRefusalReturnsNaNAndLeavesEverythingAlone)
{
    const Case cases[] = {
        {"S0 zero", [](Terms& t) { t.params.S0 = 0.0; }},
        {"S0 negative", [](Terms& t) { t.params.S0 = -5.0; }},
        {"S0 at S_max", [](Terms& t) { t.params.S0 = t.params.S_max; }},
        {"negative sigma", [](Terms& t) { t.params.sigma = -0.01; }},
        {"T zero", [](Terms& t) { t.params.T = 0.0; }},
        {"ko_barrier shorter", [](Terms& t) { t.ko.pop_back(); }},
        {"ko_coupon shorter", [](Terms& t) { t.coupon.pop_back(); }},
        {"ki_barrier longer", [](Terms& t) { t.ki.push_back(80.0); }},
        {"observation after T", [](Terms& t) { t.obs.back() = 1.01; }},
        {"ko barrier above S_max", [](Terms& t) { t.ko[3] = 200.5; }},
        {"ki barrier above S_max", [](Terms& t) { t.ki[0] = 201.0; }},
    };
    LogCapture log;
    for (const Case& c : cases) {
        Terms t = Terms::default_note();
        c.spoil(t);
        NEWMAT::Matrix price(2, 2), price_ki(2, 2);
        price = 7.0;
        price_ki = 8.0;
        double dS = -1.0, dt = -1.0;
        EXPECT_TRUE(std::isnan(run_with_outputs(t, price, price_ki, dS, dt))) << c.what;
        EXPECT_EQ(price.Nrows(), 2) << c.what;
        EXPECT_EQ(price(1, 1), 7.0) << c.what;
        EXPECT_EQ(price_ki(2, 2), 8.0) << c.what;
        EXPECT_EQ(dS, -1.0) << c.what;
        EXPECT_EQ(dt, -1.0) << c.what;
    }
    // The listed refusals are silent.
    EXPECT_EQ(log.count_level(AppLogger::Err), 0);
}

TEST(SolverRefusal, NaNAndNegativeTermsAreRefused)
{
    const Case cases[] = {
        {"NaN S0", [](Terms& t) { t.params.S0 = kNaN; }},
        {"NaN S_max", [](Terms& t) { t.params.S_max = kNaN; }},
        {"NaN sigma", [](Terms& t) { t.params.sigma = kNaN; }},
        {"NaN r", [](Terms& t) { t.params.r = kNaN; }},
        {"NaN T", [](Terms& t) { t.params.T = kNaN; }},
        {"infinite T", [](Terms& t) { t.params.T = std::numeric_limits<double>::infinity(); }},
        {"NaN ko barrier", [](Terms& t) { t.ko[2] = kNaN; }},
        {"NaN ki barrier", [](Terms& t) { t.ki[2] = kNaN; }},
        {"NaN coupon", [](Terms& t) { t.coupon[2] = kNaN; }},
        {"negative ko barrier", [](Terms& t) { t.ko[1] = -103.0; }},
        {"negative ki barrier", [](Terms& t) { t.ki[1] = -1.0; }},
        {"negative coupon", [](Terms& t) { t.coupon[0] = -0.1; }},
        {"NaN dividend coupon", [](Terms& t) { t.div = kNaN; }},
        {"negative dividend coupon", [](Terms& t) { t.div = -0.1; }},
        {"negative floor", [](Terms& t) { t.floor = -80.0; }},
        {"NaN floor", [](Terms& t) { t.floor = kNaN; }},
        {"negative strike", [](Terms& t) { t.strike = -1.0; }},
        {"negative participation", [](Terms& t) { t.participation = -0.5; }},
        {"NaN payoff type", [](Terms& t) { t.payoff_type = kNaN; }},
        {"NaN observation", [](Terms& t) { t.obs[4] = kNaN; }},
    };
    for (const Case& c : cases) {
        Terms t = Terms::default_note();
        c.spoil(t);
        EXPECT_TRUE(std::isnan(t.run())) << c.what;
    }
}

TEST(SolverRefusal, NegativeRatesAndYieldsArePriced)
{
    Terms t = Terms::default_note();
    t.params.r = -0.005;
    t.params.q = -0.01;
    EXPECT_TRUE(std::isfinite(t.run()));
}

TEST(SolverRefusal, NegativeObservationTimeLogsAfterWritingTheSteps)
{
    LogCapture log;
    Terms t = Terms::default_note();
    t.obs[0] = -0.1;
    NEWMAT::Matrix price, price_ki;
    double dS = kNaN, dt = kNaN;
    EXPECT_TRUE(std::isnan(run_with_outputs(t, price, price_ki, dS, dt)));
    EXPECT_EQ(dS, 1.0);
    EXPECT_DOUBLE_EQ(dt, 1.0 / 243.0);
    EXPECT_EQ(price.Nrows(), 0);
    EXPECT_EQ(log.count(AppLogger::Err, "observation:-0.10000 exceed."), 1);
}

TEST(SolverRefusal, EmptyScheduleIsRefused)
{
    Terms t = Terms::default_note();
    t.obs.clear();
    t.resize_schedule(0, 0, 0, 0);
    EXPECT_TRUE(std::isnan(t.run()));
    Snowball_PDE fresh;
    EXPECT_TRUE(std::isnan(fresh.price()));
}

TEST(SolverRefusal, TooSmallGridIsRefusedWithOneErrorLine)
{
    for (auto mn : {std::pair<int, int>{2, 10}, {3, 0}, {-5, 10}, {10, -1}}) {
        LogCapture log;
        Terms t = Terms::default_note();
        t.params.M = mn.first;
        t.params.N = mn.second;
        NEWMAT::Matrix price, price_ki;
        double dS = -1.0, dt = -1.0;
        EXPECT_TRUE(std::isnan(run_with_outputs(t, price, price_ki, dS, dt)));
        EXPECT_EQ(dS, -1.0);
        ASSERT_EQ(log.records().size(), 1u);
        EXPECT_EQ(log.records()[0].level, AppLogger::Err);
        EXPECT_NE(log.records()[0].text.find("M must be at least 3 and N at least 1"), std::string::npos);
    }
    Terms t = Terms::single(103.0, 0.16, 80.0);
    t.params.M = 3;
    t.params.N = 1;
    EXPECT_TRUE(std::isfinite(t.run()));
}

TEST(SolverRefusal, ObservationsOnOneTimeColumnAreRefusedWithOneErrorLine)
{
    LogCapture log;
    Terms t = Terms::default_note();
    t.params.N = 12;  // dt = 1/12: 0.25 and 0.26 share column 3
    t.obs = {0.25, 0.26, 1.0};
    t.resize_schedule(3, 103.0, 0.16, 80.0);
    EXPECT_TRUE(std::isnan(t.run()));
    ASSERT_EQ(log.count_level(AppLogger::Err), 1);
    EXPECT_NE(log.records()[0].text.find("observation:0.26000 falls on time column 3"), std::string::npos);

    // A descending schedule would leave observations unsettled the same way.
    t.obs = {0.5, 0.25, 1.0};
    EXPECT_TRUE(std::isnan(t.run()));

    // On a finer grid the same dates are distinct columns.
    t.obs = {0.25, 0.26, 1.0};
    t.params.N = 1000;
    EXPECT_TRUE(std::isfinite(t.run()));
}

TEST(SolverRefusal, HugeGridsAreRefusedNotAllocated)
{
    LogCapture log;
    Terms t = Terms::single(103.0, 0.16, 80.0);
    t.params.M = INT_MAX;
    t.params.N = INT_MAX;
    EXPECT_TRUE(std::isnan(t.run()));
    EXPECT_EQ(log.count_level(AppLogger::Err), 1);

    // Kept grids go into Newmat, whose sizes are ints.
    Snowball_PDE e = t.engine();
    e.set_grid_size(100000, 100000);
    EXPECT_FALSE(e.calculate());
    EXPECT_TRUE(std::isnan(e.price_with_grids()));
    EXPECT_EQ(e.Price.Nrows(), 0);

    e.set_grid_size(INT_MAX, 10);
    EXPECT_TRUE(std::isnan(e.price()));
    e.set_grid_size(3, INT_MAX);
    EXPECT_TRUE(std::isnan(e.price()));
    EXPECT_EQ(log.count_level(AppLogger::Err), 5);
}

TEST(SolverRefusal, NaNDividendYieldPricesAsZeroAndIsWrittenBack)
{
    Terms t = Terms::default_note();
    PDEParams with_nan = t.params;
    with_nan.q = kNaN;
    const double priced = t.run(with_nan);
    EXPECT_EQ(with_nan.q, 0.0);
    EXPECT_EQ(priced, t.run());
}

TEST(SolverRefusal, RunTimeIsLoggedAfterEveryRun)
{
    LogCapture log;
    Terms t = Terms::default_note();
    t.run();
    t.params.M = 50;
    t.params.N = 20;
    t.run();
    EXPECT_EQ(log.count(AppLogger::Info, "auto_call_finite_diff_implicit(200, 243) uses 0 seconds."), 1);
    EXPECT_EQ(log.count(AppLogger::Info, "auto_call_finite_diff_implicit(50, 20) uses 0 seconds."), 1);
}

}  // namespace
