#include "Snowball_PDE.h"
#include "StressGrid.h"
#include "UnivariateScan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

// A one-year classic snowball with monthly observations on a grid of one
// price unit per node, so that the prices used below are grid nodes.
Snowball_PDE classicSnowball()
{
    std::vector<double> obs;
    for (int i = 1; i <= 12; ++i)
        obs.push_back(i / 12.0);
    PDEParams p;
    p.S0 = 100;
    p.S_max = 200;
    p.sigma = 0.18;
    p.r = 0.015;
    p.q = 0;
    p.T = 1;
    p.M = 200;
    p.N = 120;
    Snowball_PDE e;
    e.set_structure(obs, std::vector<double>(12, 103), std::vector<double>(12, 0.16),
                    std::vector<double>(12, 80), 0.16, 0, 0, 0, 0, p);
    return e;
}

double priceAtSigma(const Snowball_PDE& e, double sigma)
{
    Snowball_PDE c(e);
    c.set_param(3, sigma);
    return c.price();
}

void expectUntouched(const Snowball_PDE& e, double sigma)
{
    EXPECT_EQ(e.params.sigma, sigma);
    EXPECT_EQ(e.Price.Nrows(), 0);
    EXPECT_EQ(e.Delta.Nrows(), 0);
    EXPECT_TRUE(std::isnan(e.dS));
    EXPECT_TRUE(std::isnan(e.dt));
    EXPECT_EQ(e.params.out_price, nullptr);
    EXPECT_EQ(e.ko_barrier, std::vector<double>(12, 103));
    EXPECT_EQ(e.ko_coupon, std::vector<double>(12, 0.16));
    EXPECT_EQ(e.div_coupon, 0.16);
}

}  // namespace

TEST(GridPointCount, CountsTruncatedPointsInEitherDirection)
{
    EXPECT_EQ(grid_point_count(70, 130, 10), 7);
    EXPECT_EQ(grid_point_count(130, 70, -10), 7);
    EXPECT_EQ(grid_point_count(0.05, 0.5, 0.05), 10);
    EXPECT_EQ(grid_point_count(5, 5, 1), 1);
    // 0.3 / 0.1 is 2.9999999999999996: one point fewer, as truncated.
    EXPECT_EQ(grid_point_count(0, 0.3, 0.1), 3);
}

TEST(GridPointCount, EmptyAndOversizedAxes)
{
    EXPECT_EQ(grid_point_count(70, 130, 0), 0);
    EXPECT_EQ(grid_point_count(70, 130, -10), 0);
    EXPECT_EQ(grid_point_count(70, 130, std::nan("")), 0);
    EXPECT_EQ(grid_point_count(130, 70, 0), 0);
    EXPECT_EQ(grid_point_count(0, 999, 1), 1000);
    EXPECT_EQ(grid_point_count(0, 1000, 1), kMaxGridPoints + 1);
    EXPECT_EQ(grid_point_count(0, 1, 1e-300), kMaxGridPoints + 1);
}

TEST(StressBands, LevelsSpreadOverBothBands)
{
    // Above 100: 101..108, so upStep 1; below: 92..99, downStep 1.
    StressMatrix m{{101, 102, 103, 104, 105, 106, 107, 108}, {99, 98, 97, 96, 95, 94, 93, 92}};
    const StressBands b = StressBands::of(m, 100);
    EXPECT_DOUBLE_EQ(b.upStep, 1.0);
    EXPECT_DOUBLE_EQ(b.downStep, 1.0);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(b.level(101 + k), 1 + k);
        EXPECT_EQ(b.level(99 - k), -1 - k);
    }
    // The centre lies one downStep above the lower band's high: level 0.
    EXPECT_EQ(b.level(100), 0);
    // Truncation toward zero inside a band.
    EXPECT_EQ(b.level(101.99), 1);
    EXPECT_EQ(b.level(98.01), -1);
}

TEST(StressBands, CentreValues)
{
    // Centre 0 three downSteps above the lower band's high (-3, step 1): red level 2.
    EXPECT_EQ(StressBands::of({{-10, -3, 0, 1, 2}}, 0).level(0), 2);
    // No values below the centre: the centre comes out at -8.
    EXPECT_EQ(StressBands::of({{0, 1, 2}}, 0).level(0), -8);
    EXPECT_EQ(StressBands::of({{100, 101, 105}}, 100).level(100), -8);
}

TEST(StressBands, NonNumbersAndFlatBandsGiveTheLowestLevel)
{
    const StressBands b = StressBands::of({{std::nan(""), 1, 2, -1, -2}}, 0);
    EXPECT_EQ(b.level(std::nan("")), INT_MIN);
    // A band of equal values has a zero step: 0/0 for its values.
    const StressBands flat = StressBands::of({{5, 5, -1}}, 0);
    EXPECT_EQ(flat.level(5), INT_MIN);
    // And the centre divides by the lower band's zero step.
    EXPECT_EQ(StressBands::of({{-1, -1, 0}}, 0).level(0), INT_MIN);
}

TEST(StressGrid, RefusesWithoutStructureOrPoints)
{
    StressResult out;
    EXPECT_EQ(run_stress_grid(Snowball_PDE(), {70, 10, 7}, {0.05, 0.05, 10}, 0.5, out),
              StressStatus::NotInitialised);
    const Snowball_PDE e = classicSnowball();
    EXPECT_EQ(run_stress_grid(e, {70, 10, 0}, {0.05, 0.05, 10}, 0.5, out), StressStatus::NoPoints);
    EXPECT_EQ(run_stress_grid(e, {70, 10, 7}, {0.05, 0.05, 1001}, 0.5, out), StressStatus::TooManyPoints);
    EXPECT_TRUE(out.tv.empty());
}

TEST(StressGrid, ValuesMatchPricesAndFiniteDifferences)
{
    const Snowball_PDE e = classicSnowball();
    StressResult out;
    // tau = T reads today's column; prices 99, 100, 101 are neighbouring nodes.
    ASSERT_EQ(run_stress_grid(e, {99, 1, 3}, {0.1, 0.1, 3}, 1.0, out), StressStatus::Ok);
    ASSERT_EQ(out.tv.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        const auto& tv = out.tv[j];
        ASSERT_EQ(tv.size(), 3u);
        EXPECT_NEAR(tv[1], priceAtSigma(e, 0.1 + j * 0.1), 1e-9) << "sigma row " << j;
        EXPECT_NEAR(out.delta[j][1], (tv[2] - tv[0]) * 0.5, 1e-9);
        EXPECT_NEAR(out.gamma[j][1], tv[2] - 2 * tv[1] + tv[0], 1e-9);
    }
    // A higher volatility makes knock-in likelier: the note is worth less at the spot.
    EXPECT_GT(out.tv[0][1], out.tv[2][1]);
    expectUntouched(e, 0.18);
}

TEST(StressGrid, DescendingAxisAndPricesOffTheGrid)
{
    const Snowball_PDE e = classicSnowball();
    StressResult up, down;
    ASSERT_EQ(run_stress_grid(e, {190, 10, 3}, {0.2, 0.1, 2}, 0.4, up), StressStatus::Ok);
    ASSERT_EQ(run_stress_grid(e, {210, -10, 3}, {0.2, 0.1, 2}, 0.4, down), StressStatus::Ok);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(up.tv[j][0], down.tv[j][2]);
        EXPECT_EQ(up.delta[j][1], down.delta[j][1]);
        // 210 lies above S_max = 200.
        EXPECT_TRUE(std::isnan(up.tv[j][2]));
        EXPECT_TRUE(std::isnan(up.gamma[j][2]));
        EXPECT_TRUE(std::isfinite(up.tv[j][1]));
    }
}

TEST(UnivariateScan, CapsWideRangesAtTwentyPoints)
{
    const Snowball_PDE e = classicSnowball();
    const ScanResult r = univariate_scan(e, 3, 0, 2, 0.05, 100);
    ASSERT_EQ(r.failure, ScanFailure::None);
    EXPECT_TRUE(r.capped);
    EXPECT_DOUBLE_EQ(r.step, 0.1);
    ASSERT_EQ(r.values.size(), 20u);
    ASSERT_EQ(r.prices.size(), 20u);
    EXPECT_DOUBLE_EQ(r.values.back(), 1.9);
    EXPECT_NEAR(r.prices[3], priceAtSigma(e, 0.3), 1e-12);
    expectUntouched(e, 0.18);
}

TEST(UnivariateScan, ReportsThePriceNearestTheTarget)
{
    const Snowball_PDE e = classicSnowball();
    const double target = priceAtSigma(e, 0.2) + 1e-6;
    const ScanResult r = univariate_scan(e, 3, 0.1, 0.3, 0.05, target);
    ASSERT_EQ(r.failure, ScanFailure::None);
    EXPECT_FALSE(r.capped);
    EXPECT_EQ(r.values.size(), 5u);
    EXPECT_EQ(r.best, 2);
    EXPECT_DOUBLE_EQ(r.values[2], 0.2);
}

TEST(UnivariateScan, BarrierRangeAndSinglePoint)
{
    const Snowball_PDE e = classicSnowball();
    const ScanResult r = univariate_scan(e, 0, 100, 110, 5, 100);
    ASSERT_EQ(r.failure, ScanFailure::None);
    EXPECT_EQ(r.values, (std::vector<double>{100, 105, 110}));
    // The barrier, not another term, moves along the scan.
    Snowball_PDE c(e);
    c.set_param(0, 105);
    EXPECT_NEAR(r.prices[1], c.price(), 1e-12);

    const ScanResult one = univariate_scan(e, 4, 0.1, 0.1, 0.05, 100);
    ASSERT_EQ(one.failure, ScanFailure::None);
    EXPECT_EQ(one.values.size(), 1u);
    EXPECT_EQ(one.best, 0);
    EXPECT_EQ(e.div_coupon, 0.16);
}

TEST(UnivariateScan, Failures)
{
    const Snowball_PDE e = classicSnowball();
    EXPECT_EQ(univariate_scan(Snowball_PDE(), 3, 0, 1, 0.05, 100).failure, ScanFailure::NotInitialised);
    EXPECT_EQ(univariate_scan(e, 3, 1, 0, 0.05, 100).failure, ScanFailure::NoPoints);
    EXPECT_EQ(univariate_scan(e, 3, 0, 1, 0, 100).failure, ScanFailure::NoPoints);
    EXPECT_EQ(univariate_scan(e, 3, 0, 1, 0.0005, 100).failure, ScanFailure::TooManyPoints);
    // A knock-out barrier above the grid's top (200) cannot be priced: the scan stops there.
    const ScanResult bad = univariate_scan(e, 0, 190, 210, 10, 100);
    EXPECT_EQ(bad.failure, ScanFailure::PriceFailed);
    EXPECT_EQ(bad.prices.size(), 2u);
    expectUntouched(e, 0.18);
}
