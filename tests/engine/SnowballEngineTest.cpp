// The engine object: defaults, description, grid runs and copies.
#include "EngineTestSupport.h"

namespace {

TEST(SnowballEngine, DescriptionOfAnUnsetAndOfAGivenStructure)
{
    // Empty schedules print nan in their places.
    Snowball_PDE e;
    EXPECT_EQ(e.description(),
              "nan nan nan 0.150000 0.000000 0.000000 0.000000 0.000000 100.000000 200.000000 0.200000 "
              "0.050000 0.000000 1.000000 10.000000 10.000000");
    // Observation times, then the first entry of each schedule.
    PDEParams p = classicSnowball(200, 243).params;
    p.q = 0.01;
    SnowballContract c;
    c.obs_times = {0.5, 1.0}, c.ko_barrier = {103.0, 101.0}, c.ko_coupon = {0.16, 0.2}, c.ki_barrier = {80.0, 70.0};
    c.div_coupon = 0.16, c.form = PayoffForm::Option;
    e.set_structure(c, p);
    EXPECT_EQ(e.description(),
              "0.500000-1.000000-103.000000 0.160000 80.000000 0.160000 0.000000 0.000000 0.000000 1.000000 "
              "100.000000 200.000000 0.180000 0.015000 0.010000 1.000000 200.000000 243.000000");
}

TEST(SnowballEngine, PriceLeavesTheGridsAloneAndAFailedCalculateKeepsNoSteps)
{
    Snowball_PDE e = classicSnowball(200, 243, 3);
    EXPECT_TRUE(std::isfinite(e.price()));
    EXPECT_TRUE(e.Price.Nrows() == 0 && e.Price_KI.Nrows() == 0 && std::isnan(e.dS) && std::isnan(e.dt));
    EXPECT_EQ(e.price_with_grids(), e.price());
    EXPECT_EQ(e.dS, 1.0);
    // A new structure keeps the grids of the last run; its own contract may
    // be passed back in.
    e.set_structure(e.contract, e.params);
    EXPECT_EQ(e.Price.Nrows(), 201);
    EXPECT_EQ(e.contract.obs_times.size(), 10u);

    Snowball_PDE bad = classicSnowball(200, 243, 3);
    bad.contract.obs_times.back() = 1.5;  // after T
    EXPECT_FALSE(bad.calculate());
    EXPECT_TRUE(std::isnan(bad.dS) && std::isnan(bad.dt) && bad.Delta.Nrows() == 0);
}

TEST(SnowballEngine, CopiesNeverWriteIntoTheSource)
{
    Snowball_PDE source = classicSnowball(200, 48, 3);
    ASSERT_TRUE(source.calculate());
    const NEWMAT::Matrix before = source.Price;
    // A copy made after a grid run computes into its own grids.
    Snowball_PDE copy(source);
    copy.set_param(Param::Sigma, 0.4);
    copy.set_grid_size(100, 24);
    ASSERT_TRUE(copy.calculate());
    EXPECT_EQ(copy.Price.Nrows(), 101);
    EXPECT_TRUE(source.Price.Nrows() == 201 && source.Price(101, 1) == before(101, 1) && source.dS == 1.0);
    Snowball_PDE assigned;
    assigned = source;
    EXPECT_EQ(assigned.Price(150, 10), source.Price(150, 10));
    // copy_structure_from takes the terms, not the grids.
    Snowball_PDE panel;
    panel.copy_structure_from(source);
    EXPECT_TRUE(panel.initialised && panel.contract.obs_times == source.contract.obs_times && panel.contract.div_coupon == 0.16);
    EXPECT_EQ(panel.Price.Nrows(), 0);
    panel.set_grid_size(80, 40);
    EXPECT_TRUE(std::isfinite(panel.price()));
    EXPECT_EQ(source.Price.Nrows(), 201);
}

}  // namespace
