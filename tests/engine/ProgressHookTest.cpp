// The progress hook: called once per time step with the fraction done, it
// changes no number, and a false answer stops the run with NaN, or whatever
// long loop is running.
#include "AutoCallSolver.h"
#include "ClassicSnowball.h"
#include "GridGreeks.h"
#include "Pricer.h"
#include "StressGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

TEST(ProgressHook, ReportsEveryStepAndChangesNoNumber)
{
    Snowball_PDE plain = classicSnowball(60, 48);
    const double expected = plain.price();
    ASSERT_TRUE(std::isfinite(expected));

    Snowball_PDE hooked = classicSnowball(60, 48);
    std::vector<double> fractions;
    hooked.set_progress_hook([&fractions](double f) {
        fractions.push_back(f);
        return true;
    });
    EXPECT_EQ(hooked.price(), expected);
    ASSERT_EQ(fractions.size(), 48u);
    EXPECT_DOUBLE_EQ(fractions.front(), 1.0 / 48);
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);

    // Three runs for the Greeks, one step each per column; copies carry the hook.
    fractions.clear();
    Snowball_PDE copy(hooked);
    EXPECT_TRUE(copy.calculate());
    EXPECT_EQ(fractions.size(), 3u * 48u);
}

TEST(ProgressHook, FalseStopsTheRunWithNaNInEitherMode)
{
    for (const PricingMethod method : {PricingMethod::DesignGrid, PricingMethod::Accurate}) {
        Snowball_PDE e = classicSnowball(60, 48);
        e.method = method;
        int calls = 0;
        e.set_progress_hook([&calls](double) { return ++calls < 10; });
        EXPECT_TRUE(std::isnan(e.price()));
        EXPECT_EQ(calls, 10);  // stopped at once, not at the end

        // The Greeks: the grids' runs, or the accurate lookup's solve.
        calls = 0;
        if (method == PricingMethod::DesignGrid)
            EXPECT_FALSE(e.calculate());
        else
            EXPECT_TRUE(std::isnan(e.accurate_lookup(100.0, 0.5, false).price));
        EXPECT_EQ(calls, 10);

        // Without the hook the same engine prices again.
        e.set_progress_hook(ProgressHook());
        EXPECT_TRUE(std::isfinite(e.price()));
    }
}

// 取消 must stop the work within a moment, also in the loops over the whole
// grid that come after the time steps (the Greeks of a large grid take
// seconds): the first "stop" after the steps ends each of these at once.
struct LongLoop
{
    const char* name;
    int steps;  // hook calls of the time steps before the loop
    std::function<bool(const ProgressHook&)> stopped;  // runs it; whether it said so
};

void PrintTo(const LongLoop& loop, std::ostream* out) { *out << loop.name; }

class StopsInsideEveryLoop : public ::testing::TestWithParam<LongLoop>
{
};

TEST_P(StopsInsideEveryLoop, AtTheFirstStopAfterTheSteps)
{
    int calls = 0;
    const int steps = GetParam().steps;
    const ProgressHook hook = [&calls, steps](double) { return ++calls <= steps; };
    EXPECT_TRUE(GetParam().stopped(hook));
    EXPECT_EQ(calls, steps + 1);
}

// The loops over a grid ask the hook as they go, not only when they end.
TEST(ProgressHook, AskedInsideTheGridLoops)
{
    NEWMAT::Matrix grid(20000, 49), delta, gamma, theta, vega;
    grid = 1.0;
    int calls = 0;
    const ProgressHook count = [&calls](double) { return ++calls > 0; };
    ASSERT_TRUE(finite_difference_greeks(grid, 0.01, 0.01, delta, gamma, theta, count));
    EXPECT_GT(calls, 10);
    calls = 0;
    ASSERT_TRUE(bump_sensitivity(grid, grid, 100.0, vega, count));
    EXPECT_GT(calls, 10);
}

namespace {

PricingRequest request48(const ProgressHook& hook)
{
    PricingRequest r = classicSnowball(60, 48).request();
    r.progress = hook;
    return r;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    ProgressHook, StopsInsideEveryLoop,
    ::testing::Values(
        LongLoop{"GreekSheet", 3 * 48,
                 [](const ProgressHook& h) {
                     return GreekSheet::compute(request48(h)).status().outcome == Outcome::Cancelled;
                 }},
        LongLoop{"CreateGreeks", 3 * 48,
                 [](const ProgressHook& h) {
                     Snowball_PDE e = classicSnowball(60, 48);
                     e.set_progress_hook(h);
                     return e.calculate() && !e.create_Greeks();
                 }},
        LongLoop{"StressCell", 48,
                 [](const ProgressHook& h) {
                     return stress_grid(request48(h), GridAxis{100, 1, 1}, GridAxis{0.2, 0.1, 1}, 1.0).outcome ==
                            Outcome::Cancelled;
                 }},
        LongLoop{"KeptGridsCopiedOut", 48,
                 [](const ProgressHook& h) {
                     const PricingRequest r = classicSnowball(3000, 48).request();
                     return auto_call_finite_diff_implicit(r.contract, r.model, GridOutput::ValueGrids,
                                                           StepMethod::Factored, h)
                                .outcome == Outcome::Cancelled;
                 }},
        LongLoop{"DesignProbabilities", 10,
                 [](const ProgressHook& h) { return probabilities(request48(h)).outcome == Outcome::Cancelled; }}),
    [](const ::testing::TestParamInfo<LongLoop>& info) { return std::string(info.param.name); });
