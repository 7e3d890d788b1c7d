// The progress hook: called once per time step with the fraction done, it
// changes no number, and a false answer stops the run with NaN.
#include "ClassicSnowball.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST(ProgressHook, FalseStopsTheRunWithNaN)
{
    Snowball_PDE e = classicSnowball(60, 48);
    int calls = 0;
    e.set_progress_hook([&calls](double) { return ++calls < 10; });
    EXPECT_TRUE(std::isnan(e.price()));
    EXPECT_EQ(calls, 10);  // stopped at once, not at the end

    calls = 0;
    EXPECT_FALSE(e.calculate());
    EXPECT_EQ(calls, 10);

    // Without the hook the same engine prices again.
    e.set_progress_hook(ProgressHook());
    EXPECT_TRUE(std::isfinite(e.price()));
}
