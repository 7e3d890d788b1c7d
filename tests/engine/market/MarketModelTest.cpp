// The market model's pieces against hand-computed values: forwards, discount
// and zero rates of a rate curve at and between its points, the dividend
// curve of futures, the instantaneous variance of a term curve, the local
// volatility grid's interpolation, the shifts of Vega and Rho, and the
// refusals that name the point.
#include "MarketModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Zero rates 2 % to 0.5y, 3 % to 1y, 2.5 % to 2y: forwards 2 %, 4 %, 2 %.
RateCurve sampleRates()
{
    const MarketResult<RateCurve> c = RateCurve::from_zero_rates({0.5, 1.0, 2.0}, {0.02, 0.03, 0.025});
    EXPECT_TRUE(c.ok()) << c.error;
    return *c.value;
}

TEST(RateCurve, ForwardsAndIntegralsAtAndBetweenPoints)
{
    const RateCurve c = sampleRates();
    const struct { double t, forward; } forwards[] = {
        {0.0, 0.02}, {0.25, 0.02}, {0.5, 0.02}, {0.5000001, 0.04}, {1.0, 0.04}, {1.5, 0.02}, {5.0, 0.02}};
    for (const auto& f : forwards)
        EXPECT_DOUBLE_EQ(c.forward(f.t), f.forward) << f.t;
    const struct { double a, b, integral; } integrals[] = {
        {0.0, 0.5, 0.01}, {0.0, 1.0, 0.03}, {0.0, 2.0, 0.05}, {0.25, 0.75, 0.015},
        {0.5, 1.0, 0.02}, {1.0, 3.0, 0.04}, {0.75, 0.75, 0.0}};
    for (const auto& i : integrals)
        EXPECT_NEAR(c.integral(i.a, i.b), i.integral, 1e-15) << i.a << " " << i.b;
    EXPECT_NEAR(c.zero_rate(2.0), 0.025, 1e-15);
    EXPECT_NEAR(c.zero_rate(0.75), (0.01 + 0.01) / 0.75, 1e-15);
    EXPECT_NEAR(c.discount(0.25, 0.75), std::exp(-0.015), 1e-15);
    EXPECT_FALSE(c.is_flat());
    // Rho's shift moves every zero rate, so every forward.
    const RateCurve up = c.shifted(0.01);
    EXPECT_NEAR(up.zero_rate(0.5), 0.03, 1e-15);
    EXPECT_NEAR(up.integral(0.5, 1.0), 0.025, 1e-15);
}

TEST(RateCurve, OnePointIsTheFlatRateBitForBit)
{
    const MarketResult<RateCurve> c = RateCurve::from_zero_rates({0.7}, {0.0315});
    ASSERT_TRUE(c.ok());
    EXPECT_TRUE(c.value->is_flat());
    EXPECT_EQ(c.value->flat_rate(), 0.0315);
    EXPECT_EQ(c.value->integral(0.3, 2.9), 0.0315 * (2.9 - 0.3));
}

TEST(RateCurve, DividendCurveOfFuturesAtTheStructuresSpot)
{
    const RateCurve r = sampleRates();
    // F = S exp((z_r - z_q) T): z_q(1) = 3 % - ln(101 / 100), z_q(2) = 2.5 % - ln(101.5 / 100) / 2.
    const MarketResult<RateCurve> q = dividend_curve_from_futures(r, {1.0, 2.0}, {101.0, 101.5}, 100.0);
    ASSERT_TRUE(q.ok()) << q.error;
    EXPECT_NEAR(q.value->zero_rate(1.0), 0.03 - std::log(1.01), 1e-15);
    EXPECT_NEAR(q.value->zero_rate(2.0), 0.025 - std::log(1.015) / 2.0, 1e-15);
    // The forward of the index is the futures price.
    EXPECT_NEAR(100.0 * std::exp(r.integral(0, 2.0) - q.value->integral(0, 2.0)), 101.5, 1e-12);

    MarketModel m = *MarketModel::flat(100.0, 0.2, 0.0, 0.0).value;
    m = m.with_rates(r).with_dividends(*q.value);
    const MarketModel bumped = m.with_spot(110.0);
    EXPECT_EQ(bumped.spot(), 110.0);
    EXPECT_EQ(bumped.dividends().integral(0, 2.0), m.dividends().integral(0, 2.0));
    EXPECT_FALSE(dividend_curve_from_futures(r, {1.0}, {0.0}, 100.0).ok());
}

TEST(VolatilityTermCurve, InstantaneousVarianceAndCalendarArbitrage)
{
    // 20 % to 0.5y, 25 % to 1y: variance 0.04, then (0.0625 - 0.02) / 0.5 = 0.085.
    const MarketResult<VolatilityTermCurve> c = VolatilityTermCurve::from_black_vols({0.5, 1.0}, {0.2, 0.25});
    ASSERT_TRUE(c.ok()) << c.error;
    EXPECT_NEAR(c.value->sigma(0.3), 0.2, 1e-15);
    EXPECT_NEAR(c.value->sigma(0.75), std::sqrt(0.085), 1e-15);
    EXPECT_NEAR(c.value->sigma(3.0), std::sqrt(0.085), 1e-15);
    EXPECT_NEAR(c.value->variance().integral(0, 1.0), 0.0625, 1e-15);

    const MarketResult<VolatilityTermCurve> arbitrage =
        VolatilityTermCurve::from_black_vols({0.25, 0.5, 1.0}, {0.3, 0.3, 0.2});
    ASSERT_FALSE(arbitrage.ok());
    EXPECT_EQ(arbitrage.point, 2);
    EXPECT_NE(arbitrage.error.find("point 3"), std::string::npos) << arbitrage.error;
    EXPECT_NE(arbitrage.error.find("calendar arbitrage"), std::string::npos) << arbitrage.error;
}

TEST(LocalVolGrid, RowsByTimeLinearInPriceFlatOutside)
{
    const MarketResult<LocalVolGrid> g =
        LocalVolGrid::from_rows({80, 100, 120}, {0.5, 1.0}, {{0.3, 0.2, 0.15}, {0.25, 0.2, 0.18}});
    ASSERT_TRUE(g.ok()) << g.error;
    const struct { double S, t, sigma; } cases[] = {
        {90, 0.25, 0.25}, {70, 0.25, 0.3}, {80, 0.5, 0.3}, {110, 0.5, 0.175}, {100, 0.75, 0.2},
        {130, 0.75, 0.18}, {110, 2.0, 0.19}, {85, 1.0, 0.2375}};
    for (const auto& c : cases)
        EXPECT_NEAR(g.value->sigma_at(c.S, c.t), c.sigma, 1e-15) << c.S << " " << c.t;
    std::vector<double> out;
    std::string error;
    ASSERT_TRUE(g.value->sigma_on(0.75, {70, 90, 110, 130}, out, error));
    const double expected[] = {0.25, 0.225, 0.19, 0.18};
    ASSERT_EQ(out.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(out[i], expected[i], 1e-15) << i;

    const struct { std::vector<double> levels; std::vector<std::vector<double>> rows; const char* says; } bad[] = {
        {{80, 80, 120}, {{0.3, 0.2, 0.15}, {0.25, 0.2, 0.18}}, "level 2"},
        {{80, 100, 120}, {{0.3, 0.2}, {0.25, 0.2, 0.18}}, "point 1"},
        {{80, 100, 120}, {{0.3, 0.2, 0.15}, {0.25, 0.0, 0.18}}, "point 2"}};
    for (const auto& b : bad) {
        const MarketResult<LocalVolGrid> r = LocalVolGrid::from_rows(b.levels, {0.5, 1.0}, b.rows);
        ASSERT_FALSE(r.ok());
        EXPECT_NE(r.error.find(b.says), std::string::npos) << r.error;
    }
}

TEST(MarketModel, NamesShiftsAndRefusals)
{
    const MarketModel flat = *MarketModel::flat(100.0, 0.2, 0.03, 0.01).value;
    EXPECT_TRUE(flat.is_flat());
    EXPECT_EQ(flat.name(), "flat");
    const MarketModel curves = flat.with_rates(sampleRates());
    EXPECT_EQ(curves.name(), "curves");
    EXPECT_FALSE(curves.is_flat());
    const MarketModel term = flat.with_volatility(*VolatilityTermCurve::from_black_vols({0.5, 1.0}, {0.2, 0.25}).value);
    EXPECT_EQ(term.name(), "curves");
    const MarketModel local = flat.with_volatility(
        *LocalVolGrid::from_rows({80, 120}, {1.0}, {{0.3, 0.2}}).value);
    EXPECT_EQ(local.name(), "local volatility");
    EXPECT_EQ(local.time_breaks(2.0), std::vector<double>());
    EXPECT_EQ(curves.time_breaks(1.5), (std::vector<double>{0.5, 1.0}));

    // Vega: +1 point of whichever input is in use.
    EXPECT_NEAR(flat.with_volatility_shift(0.01).value->flat_sigma(), 0.21, 1e-15);
    EXPECT_NEAR(term.with_volatility_shift(0.01).value->variance_integral(0, 1.0), 0.26 * 0.26, 1e-15);
    EXPECT_NEAR(local.with_volatility_shift(0.01).value->local_volatility().sigma_at(100, 0.5), 0.26, 1e-15);
    EXPECT_FALSE(flat.with_volatility_shift(-0.2).ok());
    // Rho: the rate curve only.
    const MarketModel rho = curves.with_rate_shift(0.01);
    EXPECT_NEAR(rho.rates().zero_rate(2.0), 0.035, 1e-15);
    EXPECT_EQ(rho.dividends().flat_rate(), 0.01);

    EXPECT_FALSE(MarketModel::flat(0.0, 0.2, 0.03, 0.0).ok());
    EXPECT_FALSE(MarketModel::flat(100.0, 0.0, 0.03, 0.0).ok());
    const struct { std::vector<double> t, z; const char* says; } bad[] = {
        {{0.5, 0.5}, {0.02, 0.03}, "point 2"}, {{0.5, 1.0}, {0.02, 1.5}, "point 2"},
        {{-1.0}, {0.02}, "point 1"}, {{0.5, 1.0}, {0.02, NAN}, "point 2"}};
    for (const auto& b : bad) {
        const MarketResult<RateCurve> r = RateCurve::from_zero_rates(b.t, b.z);
        ASSERT_FALSE(r.ok());
        EXPECT_NE(r.error.find(b.says), std::string::npos) << r.error;
    }
}

}  // namespace
