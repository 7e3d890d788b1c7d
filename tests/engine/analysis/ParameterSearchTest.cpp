// set_param / save_param / restore_param and the bisection's result codes.
#include "EngineTestSupport.h"

namespace {

using Flat = std::vector<double>;
using S = Snowball_PDE;
using P = Param;

// A step-down knock-out schedule, so that restoring shows it comes back flat.
S small_note()
{
    S e = classicSnowball(100, 48, 3);
    e.contract.ko_barrier = {103, 102, 101, 100, 100, 100, 100, 100, 100, 100};
    return e;
}

TEST(ParameterSearch, SetSaveAndRestoreFlattenSchedules)
{
    S e = small_note();
    e.save_param(P::KoBarrier);
    EXPECT_EQ(e.saved_value, 103.0);  // the first entry
    for (auto p : {std::pair<Param, double>{P::KoBarrier, 99.0}, {P::KiBarrier, 70.0}, {P::Sigma, 0.3},
                   {P::KoCoupon, 0.2}, {P::DivCoupon, 0.05}})
        e.set_param(p.first, p.second);
    EXPECT_TRUE(e.contract.ko_barrier == Flat(10, 99.0) && e.contract.ki_barrier == Flat(10, 70.0) && e.contract.ko_coupon == Flat(10, 0.2));
    EXPECT_TRUE(e.params.sigma == 0.3 && e.contract.div_coupon == 0.05);
    e.set_param(P::CouponAndDiv, 0.12);
    EXPECT_TRUE(e.contract.div_coupon == 0.12 && e.contract.ko_coupon == Flat(10, 0.12));
    e.restore_param(P::KoBarrier);
    EXPECT_EQ(e.contract.ko_barrier, Flat(10, 103.0));
    // Unknown numbers change and remember nothing, and are refused by the search.
    double result = 7.0;
    EXPECT_EQ(e.solve_param(100.0, 6, &result, 0.1, 0.3), SearchStatus::UnknownParam);
    EXPECT_EQ(e.solve_param(100.0, -1, &result, 0.1, 0.3), SearchStatus::UnknownParam);
    EXPECT_TRUE(result == 7.0 && e.saved_value == 103.0 && e.params.sigma == 0.3 && e.contract.ko_barrier == Flat(10, 103.0));
}

TEST(ParameterSearch, FindsTargetsInEitherDirectionWithinTheEnds)
{
    LogCapture log;
    S e = small_note();
    const double target = priceWith(e, P::Sigma, 0.2);
    double result = 0.0;
    std::string out;
    e.set_trace_hook([&out](const std::string& line) { out += line; });
    EXPECT_EQ(e.solve_param(target, P::Sigma, &result, 0.1, 0.3), SearchStatus::Found);  // the first midpoint is 0.2
    e.set_trace_hook(TraceHook());
    EXPECT_TRUE(result == 0.2 && e.params.sigma == 0.18);  // sigma restored
    char expected[128];
    std::snprintf(expected, sizeof expected, "price:%.5f when \xA6\xD2=0.200 after 0 calc\n", target);
    EXPECT_EQ(log.count(AppLogger::Info, expected), 1);
    std::snprintf(expected, sizeof expected, "price:%.5f at 0.200\n", target);
    EXPECT_EQ(out, expected);

    EXPECT_EQ(e.solve_param(priceWith(e, P::CouponAndDiv, 0.137), P::CouponAndDiv, &result, 0.05, 0.30), SearchStatus::Found);
    EXPECT_NEAR(result, 0.137, 0.002);  // within the price tolerance: d price / d coupon is about 100
    EXPECT_TRUE(e.contract.div_coupon == 0.16 && e.contract.ko_coupon == Flat(10, 0.16));

    const double at_lo = priceWith(e, P::KoCoupon, 0.1), at_hi = priceWith(e, P::KoCoupon, 0.3);
    ASSERT_GT(at_hi, at_lo);
    result = 5.0;
    EXPECT_EQ(e.solve_param(at_lo - 0.5, P::KoCoupon, &result, 0.1, 0.3), SearchStatus::TargetOutside);
    EXPECT_EQ(e.solve_param(at_hi + 0.5, P::KoCoupon, &result, 0.1, 0.3), SearchStatus::TargetOutside);
    EXPECT_EQ(result, 5.0);
    EXPECT_EQ(e.solve_param(at_hi, P::KoCoupon, &result, 0.3, 0.1), SearchStatus::Found);  // ends swapped
    // A target at an end is inside; the step-down schedule comes back flat.
    EXPECT_NE(e.solve_param(priceWith(e, P::KoBarrier, 110.0), P::KoBarrier, &result, 100.0, 110.0), SearchStatus::TargetOutside);
    EXPECT_EQ(e.contract.ko_barrier, Flat(10, 103.0));
}

TEST(ParameterSearch, PriceThatStopsMovingOrNeverComesEndsTheSearch)
{
    LogCapture log;
    S e = classicSnowball(20, 50, 12);  // dS = 10: barriers 101..110 share node 11, 111..120 node 12
    e.contract.div_coupon = 0.05;                // so that knocking out at maturity matters
    const double p11 = priceWith(e, P::KoBarrier, 101.0), p12 = priceWith(e, P::KoBarrier, 119.0);
    ASSERT_GT(std::fabs(p12 - p11), 0.2);
    double result = 0.0;
    EXPECT_EQ(e.solve_param((p11 + p12) / 2.0, P::KoBarrier, &result, 101.0, 119.0), SearchStatus::PriceNotMoving);
    EXPECT_TRUE(std::isnan(result) && e.contract.ko_barrier == Flat{103.0});
    EXPECT_EQ(log.count(AppLogger::Critical, "Price NOT changed > EPSILON"), 1);

    S bad = small_note();
    bad.params.S0 = 250.0;  // above S_max: every price is NaN
    bad.max_iter = 4;
    result = 0.0;
    std::string trace;
    bad.set_trace_hook([&trace](const std::string& line) { trace += line; });
    testing::internal::CaptureStdout();
    EXPECT_EQ(bad.solve_param(100.0, P::Sigma, &result, 0.1, 0.3), SearchStatus::NoSolution);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // the trace goes to the hook only
    EXPECT_EQ(trace.rfind("price:nan at 0.200\n", 0), 0u);
    EXPECT_TRUE(std::isnan(result) && bad.params.sigma == 0.18);
}

}  // namespace
