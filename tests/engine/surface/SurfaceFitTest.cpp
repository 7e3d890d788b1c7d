// The fit: raw SVI smiles recovered from their own quotes, steep short-dated
// ones included; Black's inversion down to tiny prices; the quotes'
// refusals, arbitrage among them named by expiry, strikes and size.
#include "BlackFormula.h"
#include "SurfaceCalibration.h"
#include "SurfaceExamples.h"
#include "SviFit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct KnownSmile
{
    const char* name;
    double T;
    SviSlice slice;
};

void PrintTo(const KnownSmile& c, std::ostream* os) { *os << c.name; }

class SviRecovery : public ::testing::TestWithParam<KnownSmile>
{
};

TEST_P(SviRecovery, ParametersComeBackFromTheirOwnQuotes)
{
    const KnownSmile& c = GetParam();
    ASSERT_TRUE(c.slice.admissible());
    SviFitInput in;
    in.T = c.T;
    const double reach = 3.0 * std::sqrt(c.slice.w(0.0));
    for (int j = 0; j < 17; ++j) {
        const double k = -reach + 2.0 * reach * j / 16;
        in.k.push_back(k);
        in.vol.push_back(std::sqrt(c.slice.w(k) / c.T));
    }
    for (int j = 0; j <= 40; ++j)
        in.check_k.push_back(-2.0 * reach + 4.0 * reach * j / 40);
    const SviFitResult fit = fit_svi(in);
    ASSERT_TRUE(fit.feasible);
    EXPECT_LT(fit.max_vol, 1e-6);
    EXPECT_NEAR(fit.slice.a, c.slice.a, 1e-4 * c.slice.w(0.0));
    EXPECT_NEAR(fit.slice.b, c.slice.b, 1e-3 * c.slice.b);
    EXPECT_NEAR(fit.slice.rho, c.slice.rho, 1e-3);
    EXPECT_NEAR(fit.slice.m, c.slice.m, 1e-3 * reach);
    EXPECT_NEAR(fit.slice.sigma, c.slice.sigma, 1e-3 * c.slice.sigma);
}

INSTANTIATE_TEST_SUITE_P(
    Smiles, SviRecovery,
    ::testing::Values(KnownSmile{"two_weeks_steep", 1.0 / 24, {0.0002, 0.012, -0.9, 0.01, 0.02}},
                      KnownSmile{"three_months", 0.25, {0.006, 0.05, -0.6, 0.02, 0.08}},
                      KnownSmile{"two_years_smile", 2.0, {0.05, 0.12, -0.3, 0.1, 0.3}}),
    [](const ::testing::TestParamInfo<KnownSmile>& info) { return std::string(info.param.name); });

TEST(SviFit, StaysAboveTheEarlierSmileBeyondTheQuotes)
{
    // The earlier smile is lower at the quotes but has steeper wings: left
    // free, the fit would cross it past |k| = 0.23 on the left.
    const SviSlice quoted{0.02, 0.05, -0.3, 0.0, 0.2}, earlier{0.005, 0.1, -0.3, 0.0, 0.1};
    SviFitInput in;
    in.T = 0.5;
    in.floor = &earlier;
    for (int j = 0; j < 9; ++j) {
        const double k = -0.15 + 0.3 * j / 8;
        in.k.push_back(k);
        in.vol.push_back(std::sqrt(quoted.w(k) / in.T));
    }
    for (int j = 0; j <= 40; ++j)
        in.check_k.push_back(-1.0 + 2.0 * j / 40);
    const SviFitResult fit = fit_svi(in);
    ASSERT_TRUE(fit.feasible);
    for (double k : in.check_k)
        EXPECT_GE(fit.slice.w(k), earlier.w(k)) << k;
    EXPECT_GE(fit.slice.left_slope(), earlier.left_slope());
    EXPECT_GE(fit.slice.right_slope(), earlier.right_slope());
    // Wings twice as steep cost the quotes some of their fit (SVI has one
    // curvature scale), not more.
    EXPECT_LT(fit.max_vol, 0.002);
}

TEST(BlackFormula, InvertsFromAtTheMoneyToTinyPrices)
{
    // Out-of-the-money prices from 0.08 down to 1e-150 of the forward, and
    // in-the-money ones whose time value is not lost in rounding.
    const struct { double F, K, s; bool call; } cases[] = {
        {100, 100, 0.2, true}, {100, 100, 0.2, false}, {100, 60, 0.1, false}, {100, 160, 0.1, true},
        {100, 130, 0.02, true}, {100, 40, 1.5, false}, {100, 250, 4.0, true}, {100, 90, 0.3, true},
        {100, 115, 0.3, false}};
    for (const auto& c : cases) {
        const double price = black_price(c.F, c.K, c.s, c.call);
        EXPECT_NEAR(black_implied_deviation(c.F, c.K, price, c.call), c.s, 1e-9 * c.s)
            << c.K << " " << c.s << " " << c.call << " price " << price;
    }
    // No volatility gives a price at or below intrinsic value.
    EXPECT_TRUE(std::isnan(black_implied_deviation(100, 90, 10.0, true)));
    EXPECT_TRUE(std::isnan(black_implied_deviation(100, 90, 0.0, false)));
}

std::vector<VolQuote> market_quotes()
{
    const SurfaceMarket market;
    return market.quotes(EssviSurface());
}

VolQuote& quote_at(std::vector<VolQuote>& q, double T, int strike_index)
{
    int seen = 0;
    for (VolQuote& v : q)
        if (v.expiry == T && seen++ == strike_index)
            return v;
    return q.front();
}

TEST(SurfaceQuotes, RefusalsNameTheQuotes)
{
    const SurfaceMarket market;
    struct Case
    {
        const char* what;
        void (*spoil)(std::vector<VolQuote>&);
        const char* message;
    };
    const Case cases[] = {
        {"zero vol", [](std::vector<VolQuote>& q) { quote_at(q, 0.25, 3).vol = 0.0; },
         "line 39: volatility 0 % is not in (0, 500] %"},
        {"vol above 500 %", [](std::vector<VolQuote>& q) { quote_at(q, 0.25, 3).vol = 5.01; },
         "line 39: volatility 501 % is not in (0, 500] %"},
        {"repeated strike", [](std::vector<VolQuote>& q) { quote_at(q, 0.25, 4).strike = quote_at(q, 0.25, 3).strike; },
         "line 40: expiry 0.25 and strike 78 are quoted already (line 39)"},
        {"four strikes", [](std::vector<VolQuote>& q) { q.erase(q.begin() + 4, q.begin() + 17); },
         "expiry 0.0416667 (line 2, line 3, line 4, line 5): 4 strikes, at least 5 needed"},
        {"expiry not positive", [](std::vector<VolQuote>& q) { q[0].expiry = -1.0; },
         "line 2: the expiry must be a positive number of years"},
    };
    for (const Case& c : cases) {
        std::vector<VolQuote> q = market_quotes();
        c.spoil(q);
        const SurfaceCalibration s = calibrate_surface(q, market.spot, market.forward());
        EXPECT_FALSE(s.ok()) << c.what;
        EXPECT_NE(s.error.find(c.message), std::string::npos) << c.what << ": " << s.error;
        EXPECT_FALSE(s.local_vol) << c.what;
    }
}

// The one butterfly of a bump on one quote, or none.
const ArbitrageFinding* butterfly_of(const SurfaceCalibration& s)
{
    for (const ArbitrageFinding& f : s.arbitrage)
        if (f.kind == ArbitrageFinding::Kind::Butterfly)
            return &f;
    return nullptr;
}

TEST(SurfaceQuotes, ArbitrageIsRefusedWithItsPlaceAndSize)
{
    const SurfaceMarket market;
    std::vector<VolQuote> q = market_quotes();
    VolQuote& spoiled = quote_at(q, 0.25, 8);
    const double market_vol = spoiled.vol;
    spoiled.vol += 0.03;
    SurfaceCalibration s = calibrate_surface(q, market.spot, market.forward());
    ASSERT_FALSE(s.ok());
    ASSERT_EQ(s.arbitrage.size(), 1u) << s.error;
    const ArbitrageFinding f = s.arbitrage[0];
    EXPECT_EQ(f.kind, ArbitrageFinding::Kind::Butterfly);
    EXPECT_EQ(f.expiry, 0.25);
    ASSERT_EQ(f.strikes.size(), 3u);
    EXPECT_EQ(f.strikes[0], quote_at(q, 0.25, 7).strike);
    EXPECT_EQ(f.strikes[1], spoiled.strike);
    EXPECT_EQ(f.strikes[2], quote_at(q, 0.25, 9).strike);
    EXPECT_FALSE(f.absorbed);
    EXPECT_NE(s.error.find("butterfly arbitrage at expiry 0.25 between strikes"), std::string::npos) << s.error;
    // The size is how far the quote must come down: a little less leaves
    // arbitrage (absorbed when small), a little more removes it.
    ASSERT_GT(f.vol_points, 0.5);
    ASSERT_LT(f.vol_points, 3.0);
    spoiled.vol = market_vol + 0.03 - 0.01 * f.vol_points + 0.001;
    s = calibrate_surface(q, market.spot, market.forward());
    ASSERT_TRUE(butterfly_of(s));
    EXPECT_NEAR(butterfly_of(s)->vol_points, 0.1, 0.01);
    EXPECT_TRUE(butterfly_of(s)->absorbed);
    ASSERT_TRUE(s.ok()) << s.error;
    // A smile cannot follow a bump on one quote: the fit's error says so, there.
    for (const QuoteResult& r : s.quotes)
        if (std::fabs(r.fitted_vol - r.quote.vol) * 1e4 == s.max_fit_error_bp) {
            EXPECT_EQ(r.quote.source, spoiled.source);
        }
    EXPECT_GT(s.max_fit_error_bp, 50.0);
    spoiled.vol = market_vol + 0.03 - 0.01 * f.vol_points - 0.001;
    EXPECT_FALSE(butterfly_of(calibrate_surface(q, market.spot, market.forward())));

    // The six-month at-the-money quote a point below the three-month total variance.
    q = market_quotes();
    const VolQuote& early = quote_at(q, 0.25, 8);
    quote_at(q, 0.5, 8).vol = early.vol * std::sqrt(0.25 / 0.5) - 0.01;
    s = calibrate_surface(q, market.spot, market.forward());
    ASSERT_FALSE(s.ok());
    bool found = false;
    for (const ArbitrageFinding& c : s.arbitrage) {
        if (c.kind != ArbitrageFinding::Kind::Calendar)
            continue;
        found = true;
        EXPECT_EQ(c.earlier_expiry, 0.25);
        EXPECT_EQ(c.expiry, 0.5);
        EXPECT_EQ(c.strikes.front(), early.strike);
        EXPECT_GT(c.vol_points, 0.5) << c.message;
        EXPECT_LT(c.vol_points, 1.0) << c.message;
    }
    EXPECT_TRUE(found) << s.error;
    EXPECT_NE(s.error.find("calendar arbitrage between expiries 0.25"), std::string::npos) << s.error;
}

}  // namespace
