// What a run may cost before it starts, and the price ceiling it suggests.
#include "PriceCeiling.h"
#include "RunBudget.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(RunBudget, TimeGrowsWithTheRunsMemoryDoesNot)
{
    // Runs follow one another: n of them take n times as long in the same memory.
    for (const GridUse use : {GridUse::PriceOnly, GridUse::KeepGrids}) {
        const RunCost one = pde_run_cost(1000, 7000, 1, use), stress = pde_run_cost(1000, 7000, 46, use);
        EXPECT_DOUBLE_EQ(stress.seconds, 46 * one.seconds);
        EXPECT_DOUBLE_EQ(stress.bytes, one.bytes);
    }
    EXPECT_GT(pde_run_cost(1000, 7000, 46, GridUse::KeepGrids).seconds, kMaxRunSeconds);
}

TEST(PriceCeiling, TheSuggestedCeilingIsTheLowestTwoDigitOneThatPasses)
{
    // sigma, r, q, T: the window's default, very high volatility, long and short terms.
    const double cases[][4] = {{0.18, 0.015, 0.0, 1.0}, {3.0, 0.015, 0.0, 1.0}, {0.5, 0.03, 0.01, 3.0},
                               {0.05, 0.02, 0.0, 0.2}, {1.0, 0.05, 0.08, 2.0}, {0.3, -0.01, 0.02, 0.5}};
    for (const auto& c : cases) {
        const double sigma = c[0], r = c[1], q = c[2], T = c[3];
        const double ceiling = safe_price_ceiling(100, sigma, r, q, T);
        ASSERT_TRUE(std::isfinite(ceiling)) << sigma;
        // Its own check passes it...
        EXPECT_LE(ceiling_reach_chance(100, ceiling, sigma, r, q, T), kCeilingReachLimit) << sigma << " " << T;
        // ...it reads as two significant digits, and one unit of the second lower would not pass.
        const double unit = std::pow(10.0, std::floor(std::log10(ceiling)) - 1.0);
        EXPECT_NEAR(ceiling / unit, std::round(ceiling / unit), 1e-9) << ceiling;
        EXPECT_GT(ceiling_reach_chance(100, ceiling - unit, sigma, r, q, T), kCeilingReachLimit) << ceiling;
    }
}

}  // namespace
