// set_param / save_param / restore_param and the bisection's result codes.
#include "EngineFixtures.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Snowball_PDE small_note()
{
    Terms t = Terms::default_note();
    t.params.M = 100;
    t.params.N = 48;
    t.ko = {103, 102, 101, 100, 100, 100, 100, 100, 100, 100};
    return t.engine();
}

TEST(ParameterSearch, SetParamFlattensSchedules)
{
    Snowball_PDE e = small_note();
    e.set_param(Snowball_PDE::KoBarrier, 99.0);
    EXPECT_EQ(e.ko_barrier, std::vector<double>(10, 99.0));
    e.set_param(Snowball_PDE::KiBarrier, 70.0);
    EXPECT_EQ(e.ki_barrier, std::vector<double>(10, 70.0));
    e.set_param(Snowball_PDE::KoCoupon, 0.2);
    EXPECT_EQ(e.ko_coupon, std::vector<double>(10, 0.2));
    e.set_param(Snowball_PDE::Sigma, 0.3);
    EXPECT_EQ(e.params.sigma, 0.3);
    e.set_param(Snowball_PDE::DivCoupon, 0.05);
    EXPECT_EQ(e.div_coupon, 0.05);
    EXPECT_EQ(e.ko_coupon[0], 0.2);
    e.set_param(Snowball_PDE::CouponAndDiv, 0.12);
    EXPECT_EQ(e.div_coupon, 0.12);
    EXPECT_EQ(e.ko_coupon, std::vector<double>(10, 0.12));

    // Unknown numbers change and remember nothing.
    e.saved_value = 42.0;
    e.set_param(6, 1.0);
    e.save_param(-1);
    EXPECT_EQ(e.saved_value, 42.0);
    EXPECT_EQ(e.params.sigma, 0.3);

    // save/restore: the first entry goes back into every entry.
    Snowball_PDE s = small_note();
    s.save_param(Snowball_PDE::KoBarrier);
    EXPECT_EQ(s.saved_value, 103.0);
    s.set_param(Snowball_PDE::KoBarrier, 90.0);
    s.restore_param(Snowball_PDE::KoBarrier);
    EXPECT_EQ(s.ko_barrier, std::vector<double>(10, 103.0));
    s.save_param(Snowball_PDE::CouponAndDiv);
    EXPECT_EQ(s.saved_value, 0.16);
}

TEST(ParameterSearch, UnknownParameterIsRefusedUntouched)
{
    Snowball_PDE e = small_note();
    const auto ko = e.ko_barrier;
    double result = 7.0;
    EXPECT_EQ(e.solve_param(100.0, 6, &result, 0.1, 0.3), -3);
    EXPECT_EQ(e.solve_param(100.0, -1, &result, 0.1, 0.3), -3);
    EXPECT_EQ(result, 7.0);
    EXPECT_EQ(e.ko_barrier, ko);
    EXPECT_EQ(e.params.sigma, 0.18);
}

TEST(ParameterSearch, FindsAKnownVolatility)
{
    LogCapture log;
    Snowball_PDE e = small_note();
    Snowball_PDE at20 = e;
    at20.set_param(Snowball_PDE::Sigma, 0.2);
    const double target = at20.price();
    double result = 0.0;
    testing::internal::CaptureStdout();
    // The first midpoint of [0.1, 0.3] is 0.2 itself.
    EXPECT_EQ(e.solve_param(target, Snowball_PDE::Sigma, &result, 0.1, 0.3), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0.2);
    EXPECT_EQ(e.params.sigma, 0.18);  // restored
    char expected[128];
    std::snprintf(expected, sizeof expected, "price:%.5f when \xA6\xD2=0.200 after 0 calc\n", target);
    EXPECT_EQ(log.count(AppLogger::Info, expected), 1);
    std::snprintf(expected, sizeof expected, "price:%.5f at 0.200\n", target);
    EXPECT_NE(out.find(expected), std::string::npos);
}

TEST(ParameterSearch, BisectsTheCouponToATarget)
{
    Snowball_PDE e = small_note();
    Snowball_PDE probe = e;
    probe.set_param(Snowball_PDE::CouponAndDiv, 0.137);
    const double target = probe.price();
    double result = 0.0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(e.solve_param(target, Snowball_PDE::CouponAndDiv, &result, 0.05, 0.30), 0);
    testing::internal::GetCapturedStdout();
    // Within the price tolerance: d price / d coupon is about 100 per unit.
    EXPECT_NEAR(result, 0.137, 0.002);
    EXPECT_EQ(e.div_coupon, 0.16);
    EXPECT_EQ(e.ko_coupon, std::vector<double>(10, 0.16));
}

TEST(ParameterSearch, TargetOutsideTheEndsIsRefused)
{
    Snowball_PDE e = small_note();
    Snowball_PDE probe = e;
    probe.set_param(Snowball_PDE::KoCoupon, 0.1);
    const double at_lo = probe.price();
    probe.set_param(Snowball_PDE::KoCoupon, 0.3);
    const double at_hi = probe.price();
    ASSERT_GT(at_hi, at_lo);  // rising in the coupon
    double result = 5.0;
    EXPECT_EQ(e.solve_param(at_lo - 0.5, Snowball_PDE::KoCoupon, &result, 0.1, 0.3), -4);
    EXPECT_EQ(e.solve_param(at_hi + 0.5, Snowball_PDE::KoCoupon, &result, 0.1, 0.3), -4);
    EXPECT_EQ(result, 5.0);
    EXPECT_EQ(e.ko_coupon, std::vector<double>(10, 0.16));
    // Falling direction (ends swapped) is recognised as well.
    testing::internal::CaptureStdout();
    EXPECT_EQ(e.solve_param(at_hi, Snowball_PDE::KoCoupon, &result, 0.3, 0.1), 0);
    testing::internal::GetCapturedStdout();
}

TEST(ParameterSearch, TargetAtAnEndIsAccepted)
{
    Snowball_PDE e = small_note();
    Snowball_PDE probe = e;
    probe.set_param(Snowball_PDE::KoBarrier, 110.0);
    const double at_hi = probe.price();
    double result = 0.0;
    testing::internal::CaptureStdout();
    const int code = e.solve_param(at_hi, Snowball_PDE::KoBarrier, &result, 100.0, 110.0);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(code, -4);
    // The step-down schedule comes back flat at its first entry.
    EXPECT_EQ(e.ko_barrier, std::vector<double>(10, 103.0));
}

TEST(ParameterSearch, PriceThatStopsMovingEndsTheSearch)
{
    LogCapture log;
    Terms t = Terms::single(103.0, 0.16, 80.0);
    t.params.M = 20;  // dS = 10: barriers 101..110 share node 11, 111..120 node 12
    t.params.N = 50;
    t.div = 0.05;  // so that knocking out at maturity matters
    Snowball_PDE e = t.engine();
    Snowball_PDE probe = e;
    probe.set_param(Snowball_PDE::KoBarrier, 101.0);
    const double p11 = probe.price();
    probe.set_param(Snowball_PDE::KoBarrier, 119.0);
    const double p12 = probe.price();
    ASSERT_GT(std::fabs(p12 - p11), 0.2);
    double result = 0.0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(e.solve_param((p11 + p12) / 2.0, Snowball_PDE::KoBarrier, &result, 101.0, 119.0), -2);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::isnan(result));
    EXPECT_EQ(e.ko_barrier, std::vector<double>{103.0});
    EXPECT_EQ(log.count(AppLogger::Critical, "Price NOT changed > EPSILON"), 1);
}

TEST(ParameterSearch, InvalidStructureRunsOutOfAttempts)
{
    Snowball_PDE e = small_note();
    e.params.S0 = 250.0;  // above S_max: every price is NaN
    e.max_iter = 4;
    double result = 0.0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(e.solve_param(100.0, Snowball_PDE::Sigma, &result, 0.1, 0.3), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::isnan(result));
    EXPECT_EQ(e.params.sigma, 0.18);
    EXPECT_NE(out.find("price:nan at 0.200"), std::string::npos);
}

}  // namespace
