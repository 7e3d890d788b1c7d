// The engine object: defaults, set_structure, grid runs and copies.
#include "EngineFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SnowballEngine, DefaultsDescribeAnUnsetOneYearStructure)
{
    Snowball_PDE e;
    EXPECT_FALSE(e.initialised);
    EXPECT_TRUE(std::isnan(e.dS));
    EXPECT_TRUE(std::isnan(e.dt));
    EXPECT_TRUE(e.has_ki_grid);
    EXPECT_EQ(e.Price.Nrows(), 0);
    EXPECT_EQ(e.description(),
              "nan nan nan 0.150000 0.000000 0.000000 0.000000 0.000000 100.000000 200.000000 0.200000 "
              "0.050000 0.000000 1.000000 10.000000 10.000000");
    EXPECT_TRUE(std::isnan(e.price()));
    EXPECT_EQ(e.epsilon, 0.05);
    EXPECT_EQ(e.max_iter, 50);
    const Calculator_PDE& base = e;
    EXPECT_EQ(base.Calculator_PDE::description(), "-");
}

TEST(SnowballEngine, DescriptionListsTimesThenTheFirstTerms)
{
    Terms t = Terms::single(103.0, 0.16, 80.0);
    t.obs = {0.5, 1.0};
    t.ko = {103.0, 101.0};
    t.coupon = {0.16, 0.2};
    t.ki = {80.0, 70.0};
    t.payoff_type = 2.0;
    t.params.q = 0.01;
    EXPECT_EQ(t.engine().description(),
              "0.500000-1.000000-103.000000 0.160000 80.000000 0.160000 0.000000 0.000000 0.000000 1.000000 "
              "100.000000 200.000000 0.180000 0.015000 0.010000 1.000000 200.000000 243.000000");
}

TEST(SnowballEngine, PriceLeavesTheGridsAlone)
{
    Snowball_PDE e = Terms::default_note().engine();
    EXPECT_TRUE(e.initialised);
    EXPECT_EQ(e.params.out_price, nullptr);
    EXPECT_TRUE(std::isfinite(e.price()));
    EXPECT_EQ(e.Price.Nrows(), 0);
    EXPECT_EQ(e.Price_KI.Nrows(), 0);
    EXPECT_TRUE(std::isnan(e.dS));
    EXPECT_TRUE(std::isnan(e.dt));

    EXPECT_EQ(e.price_with_grids(), e.price());
    EXPECT_EQ(e.dS, 1.0);
    EXPECT_EQ(e.params.out_price, &e.Price);
    // A new structure clears the pointers and keeps the grids of the last run.
    e.set_structure(e.obs_times, e.ko_barrier, e.ko_coupon, e.ki_barrier, 0.2, 0.0, 0.0, 0.0, 0.0, e.params);
    EXPECT_EQ(e.params.out_price, nullptr);
    EXPECT_EQ(e.params.out_dt, nullptr);
    EXPECT_EQ(e.Price.Nrows(), 201);
    EXPECT_EQ(e.div_coupon, 0.2);
    EXPECT_EQ(e.obs_times.size(), 10u);  // its own vectors passed back in
}

TEST(SnowballEngine, FailedCalculateKeepsTheSteps)
{
    Terms t = Terms::default_note();
    t.obs.back() = 1.5;  // after T
    Snowball_PDE e = t.engine();
    EXPECT_FALSE(e.calculate());
    EXPECT_TRUE(std::isnan(e.dS));
    EXPECT_TRUE(std::isnan(e.dt));
    EXPECT_EQ(e.Delta.Nrows(), 0);
}

TEST(SnowballEngine, SetGridSizeChangesOnlyMAndN)
{
    Snowball_PDE e = Terms::default_note().engine();
    const PDEParams before = e.params;
    e.set_grid_size(50, 60);
    EXPECT_EQ(e.params.M, 50);
    EXPECT_EQ(e.params.N, 60);
    EXPECT_EQ(e.params.sigma, before.sigma);
    EXPECT_EQ(e.params.S_max, before.S_max);
}

TEST(SnowballEngine, CopiesNeverWriteIntoTheSource)
{
    Terms t = Terms::default_note();
    t.params.N = 48;
    Snowball_PDE source = t.engine();
    ASSERT_TRUE(source.calculate());
    const NEWMAT::Matrix before = source.Price;

    // A copy made after a grid run has its output pointers on its own grids.
    Snowball_PDE copy(source);
    EXPECT_EQ(copy.params.out_price, &copy.Price);
    EXPECT_EQ(copy.params_vol_up.out_price_ki, &copy.Price_KI_vol_up);
    EXPECT_EQ(copy.params.out_dt, &copy.dt);
    copy.set_param(Snowball_PDE::Sigma, 0.4);
    copy.set_grid_size(100, 24);
    ASSERT_TRUE(std::isfinite(copy.price()));
    EXPECT_EQ(copy.Price.Nrows(), 101);
    EXPECT_EQ(source.Price.Nrows(), 201);
    EXPECT_EQ(source.Price(101, 1), before(101, 1));
    EXPECT_EQ(source.dS, 1.0);

    Snowball_PDE assigned;
    assigned = source;
    EXPECT_EQ(assigned.params.out_price, &assigned.Price);
    EXPECT_EQ(assigned.Price(150, 10), source.Price(150, 10));
}

TEST(SnowballEngine, CopyStructureFromTakesTermsNotPointers)
{
    Terms t = Terms::default_note();
    t.payoff_type = 1.0;
    Snowball_PDE source = t.engine();
    ASSERT_TRUE(std::isfinite(source.price_with_grids()));
    const double source_value = source.Price(101, 1);

    Snowball_PDE panel;
    panel.copy_structure_from(source);
    EXPECT_TRUE(panel.initialised);
    EXPECT_EQ(panel.payoff_type, 1.0);
    EXPECT_EQ(panel.obs_times, source.obs_times);
    EXPECT_EQ(panel.params.M, 200);
    EXPECT_EQ(panel.params.out_price, nullptr);
    EXPECT_EQ(panel.Price.Nrows(), 0);  // grids are not terms
    panel.set_grid_size(80, 40);
    EXPECT_TRUE(std::isfinite(panel.price()));
    EXPECT_EQ(source.Price(101, 1), source_value);
    EXPECT_EQ(source.Price.Nrows(), 201);
}

}  // namespace
