// The S-sigma stress grid, its heat-map bands and the univariate scan. Both
// work on private copies: the engine passed in keeps its terms and grids.
#include "EngineTestSupport.h"
#include "StressGrid.h"
#include "UnivariateScan.h"

namespace {

bool untouched(const Snowball_PDE& e)
{
    return e.params.sigma == 0.18 && e.Price.Nrows() == 0 && e.Delta.Nrows() == 0 && std::isnan(e.dS) &&
           e.contract.ko_barrier == std::vector<double>(12, 103) && e.contract.div_coupon == 0.16;
}

TEST(GridPointCount, TruncatedPointsEmptyAndOversizedAxes)
{
    const double cases[][4] = {  // start, end, step, points
        {70, 130, 10, 7}, {130, 70, -10, 7}, {0.05, 0.5, 0.05, 10}, {5, 5, 1, 1}, {0, 999, 1, 1000},
        {0, 0.3, 0.1, 3},  // 0.3 / 0.1 is 2.9999999999999996: one point fewer, as truncated
        {70, 130, 0, 0}, {70, 130, -10, 0}, {70, 130, NAN, 0}, {130, 70, 0, 0},
        {0, 1000, 1, kMaxGridPoints + 1}, {0, 1, 1e-300, kMaxGridPoints + 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(grid_point_count(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(StressBands, LevelsOfBothBandsAndTheCentre)
{
    // Above 100: 101..108, so upStep 1; below: 92..99, downStep 1.
    const StressBands b = StressBands::of({{101, 102, 103, 104, 105, 106, 107, 108}, {99, 98, 97, 96, 95, 94, 93, 92}},
                                          100);
    EXPECT_TRUE(b.upStep == 1.0 && b.downStep == 1.0);
    for (int k = 0; k < 8; ++k)
        EXPECT_TRUE(b.level(101 + k) == 1 + k && b.level(99 - k) == -1 - k) << k;
    // The centre lies one downStep above the lower band's high; truncation toward zero.
    EXPECT_TRUE(b.level(100) == 0 && b.level(101.99) == 1 && b.level(98.01) == -1);
    // Centre 0 three downSteps above the lower band's high (-3, step 1): level 2.
    EXPECT_EQ(StressBands::of({{-10, -3, 0, 1, 2}}, 0).level(0), 2);
    // No values below the centre: the centre comes out at -8.
    EXPECT_EQ(StressBands::of({{100, 101, 105}}, 100).level(100), -8);
    // Non-numbers, a band of equal values (0/0) and a centre over a zero lower step.
    EXPECT_EQ(StressBands::of({{NAN, 1, 2, -1, -2}}, 0).level(NAN), INT_MIN);
    EXPECT_EQ(StressBands::of({{5, 5, -1}}, 0).level(5), INT_MIN);
    EXPECT_EQ(StressBands::of({{-1, -1, 0}}, 0).level(0), INT_MIN);
}

TEST(StressGrid, ValuesMatchPricesAndFiniteDifferencesInEitherDirection)
{
    const Snowball_PDE e = classicSnowball();
    const PricingRequest r = e.request();
    EXPECT_EQ(stress_grid(r, {70, 10, 0}, {0.05, 0.05, 10}, 0.5).refusal.code, RefusalCode::EmptyAxis);
    const StressResult long_axis = stress_grid(r, {70, 10, 7}, {0.05, 0.05, 1001}, 0.5);
    EXPECT_EQ(long_axis.refusal.code, RefusalCode::AxisTooLong);
    EXPECT_TRUE(long_axis.tv.empty());
    // tau = T reads today's column; prices 99, 100, 101 are neighbouring nodes.
    const StressResult out = stress_grid(r, {99, 1, 3}, {0.1, 0.1, 3}, 1.0);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(out.tv.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        const auto& tv = out.tv[j];
        ASSERT_EQ(tv.size(), 3u);
        EXPECT_NEAR(tv[1], priceWith(e, Param::Sigma, 0.1 + j * 0.1), 1e-9) << "sigma row " << j;
        EXPECT_NEAR(out.delta[j][1], (tv[2] - tv[0]) * 0.5, 1e-9);
        EXPECT_NEAR(out.gamma[j][1], tv[2] - 2 * tv[1] + tv[0], 1e-9);
    }
    // A higher volatility makes knock-in likelier: the note is worth less at the spot.
    EXPECT_GT(out.tv[0][1], out.tv[2][1]);
    EXPECT_TRUE(untouched(e));
    // A descending price axis gives the same values; 210 lies above S_max = 200.
    const StressResult up = stress_grid(r, {190, 10, 3}, {0.2, 0.1, 2}, 0.4);
    const StressResult down = stress_grid(r, {210, -10, 3}, {0.2, 0.1, 2}, 0.4);
    ASSERT_TRUE(up.ok() && down.ok());
    for (int j = 0; j < 2; ++j) {
        EXPECT_TRUE(up.tv[j][0] == down.tv[j][2] && up.delta[j][1] == down.delta[j][1] && std::isfinite(up.tv[j][1]));
        EXPECT_TRUE(std::isnan(up.tv[j][2]) && std::isnan(up.gamma[j][2]));
    }
}

// The accurate grid's top holds the axis' highest spot: far above the
// barriers every cell has a value, the knocked-out note's (flat in price).
TEST(StressGrid, AccurateCoversSpotsAboveItsUsualTop)
{
    Snowball_PDE e = classicSnowball();
    e.method = PricingMethod::Accurate;
    const StressResult out = stress_grid(e.request(), {300, 100, 2}, {0.1, 0.1, 2}, 1.0);
    ASSERT_TRUE(out.ok()) << out.error;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(std::isfinite(out.tv[j][i])) << j << " " << i;
            EXPECT_NEAR(out.delta[j][i], 0.0, 1e-3) << j << " " << i;
        }
}

TEST(UnivariateScan, RangesStartAtTheFirstValueTheMethodPrices)
{
    Snowball_PDE e = classicSnowball();
    e.method = PricingMethod::Accurate;
    // The accurate mode refuses volatility 0: the range starts one step on.
    EXPECT_DOUBLE_EQ(first_priced_value(e.request(), Param::Sigma, 0.0, 1.0, 0.05), 0.05);
    EXPECT_DOUBLE_EQ(first_priced_value(e.request(), Param::Sigma, 0.1, 1.0, 0.05), 0.1);
    // Nothing priceable: the start itself; a step that leads nowhere too.
    EXPECT_DOUBLE_EQ(first_priced_value(e.request(), Param::Sigma, 0.0, 0.0, 0.05), 0.0);
    EXPECT_DOUBLE_EQ(first_priced_value(e.request(), Param::Sigma, 0.0, 1.0, 0.0), 0.0);
}

TEST(UnivariateScan, CapsWideRangesAndFindsThePriceNearestTheTarget)
{
    const Snowball_PDE e = classicSnowball();
    const ScanResult r = univariate_scan(e.request(), Param::Sigma, 0, 2, 0.05, 100);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.capped && r.step == 0.1 && r.values.size() == 20u && r.prices.size() == 20u);
    EXPECT_DOUBLE_EQ(r.values.back(), 1.9);
    EXPECT_NEAR(r.prices[3], priceWith(e, Param::Sigma, 0.3), 1e-12);
    const double target = priceWith(e, Param::Sigma, 0.2) + 1e-6;
    const ScanResult near = univariate_scan(e.request(), Param::Sigma, 0.1, 0.3, 0.05, target);
    EXPECT_TRUE(near.ok() && !near.capped && near.values.size() == 5u);
    EXPECT_TRUE(near.best == 2 && near.values[2] == 0.2);
    // The barrier, not another term, moves along a barrier scan.
    const ScanResult ko = univariate_scan(e.request(), Param::KoBarrier, 100, 110, 5, 100);
    ASSERT_TRUE(ko.ok());
    EXPECT_EQ(ko.values, (std::vector<double>{100, 105, 110}));
    EXPECT_NEAR(ko.prices[1], priceWith(e, Param::KoBarrier, 105), 1e-12);
    const ScanResult one = univariate_scan(e.request(), Param::DivCoupon, 0.1, 0.1, 0.05, 100);
    EXPECT_TRUE(one.ok() && one.values.size() == 1u && one.best == 0);
    EXPECT_TRUE(untouched(e));
}

TEST(UnivariateScan, Failures)
{
    const Snowball_PDE e = classicSnowball();
    EXPECT_EQ(univariate_scan(e.request(), Param::Sigma, 1, 0, 0.05, 100).refusal.code, RefusalCode::EmptyAxis);
    EXPECT_EQ(univariate_scan(e.request(), Param::Sigma, 0, 1, 0, 100).refusal.code, RefusalCode::EmptyAxis);
    EXPECT_EQ(univariate_scan(e.request(), Param::Sigma, 0, 1, 0.0005, 100).refusal.code, RefusalCode::AxisTooLong);
    // A knock-out barrier above the grid's top (200) cannot be priced: the scan stops there.
    const ScanResult bad = univariate_scan(e.request(), Param::KoBarrier, 190, 210, 10, 100);
    EXPECT_TRUE(bad.outcome == Outcome::Failed && bad.prices.size() == 2u);
    EXPECT_TRUE(untouched(e));
}

}  // namespace
