// Dupire's local volatility: against the price form on a closed-form
// surface, flat and term-structure surfaces through the whole fit, the
// European solver's repricing (and that a wrong local volatility shows in
// it), and the exported grid.
#include "LocalVolGridExport.h"
#include "SurfaceCalibration.h"
#include "SurfaceExamples.h"
#include "BlackFormula.h"
#include "AccuratePricer.h"
#include "DigitalNote.h"
#include "MarketModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Dupire's price form, by differences of Black prices of the closed form
// (r = q = 0, F = 1): sigma^2 = 2 C_T / (K^2 C_KK).
double price_form_local_variance(const TotalVarianceSurface& s, double K, double T)
{
    auto call = [&](double k_strike, double t) {
        return black_price(1.0, k_strike, std::sqrt(s.at(std::log(k_strike), t).w), true);
    };
    const double hT = 1e-4 * T, hK = 5e-4 * K;
    const double C_T = (call(K, T + hT) - call(K, T - hT)) / (2.0 * hT);
    const double C_KK = (call(K + hK, T) - 2.0 * call(K, T) + call(K - hK, T)) / (hK * hK);
    return 2.0 * C_T / (K * K * C_KK);
}

TEST(DupireLocalVol, TotalVarianceFormMatchesThePriceForm)
{
    const EssviSurface s;
    for (double T : {1.0 / 12, 0.5, 2.0})
        for (double z : {-2.5, -1.0, 0.0, 1.0, 2.0}) {
            const double k = z * std::sqrt(s.at(0.0, T).w);
            const double expected = price_form_local_variance(s, std::exp(k), T);
            EXPECT_NEAR(dupire_local_variance(k, s.at(k, T)), expected, 2e-4 * expected) << T << " " << z;
        }
}

struct Fitted
{
    SurfaceMarket market;
    SurfaceCalibration c;
    explicit Fitted(const TotalVarianceSurface& s) { c = calibrate_surface(market.quotes(s), market.spot, market.forward()); }
    double sigma(double S, double t) const
    {
        std::string error;
        return std::sqrt(c.local_vol->local_variance(S, t, error));
    }
};

TEST(DupireLocalVol, FlatSurfaceGivesItsVolatility)
{
    TermSurface flat;
    flat.T = {2.0};
    flat.vol = {0.23};
    const Fitted f(flat);
    ASSERT_TRUE(f.c.ok()) << f.c.error;
    for (double t : {0.01, 0.1, 0.6, 1.9, 3.0})
        for (double S : {60.0, 90.0, 100.0, 115.0, 180.0})
            EXPECT_NEAR(f.sigma(S, t), 0.23, 1e-4) << S << " " << t;
}

TEST(DupireLocalVol, TermStructureKeepsEachExpirysVarianceAndIsContinuousInTime)
{
    TermSurface term;
    term.T = SurfaceMarket().expiries;
    term.vol = {0.32, 0.28, 0.25, 0.22, 0.215, 0.21, 0.22, 0.23};
    const Fitted f(term);
    ASSERT_TRUE(f.c.ok()) << f.c.error;
    double t0 = 0.0, w0 = 0.0;
    for (std::size_t i = 0; i < term.T.size(); ++i) {
        const double w1 = term.vol[i] * term.vol[i] * term.T[i];
        for (double S : {80.0, 100.0, 125.0}) {
            // The variance a flat smile's local volatility accrues between expiries is the
            // increment of total implied variance (midpoint rule, fine enough for 1e-5).
            const int n = 2000;
            double accrued = 0.0;
            for (int k = 0; k < n; ++k) {
                const double s = f.sigma(S, t0 + (k + 0.5) * (term.T[i] - t0) / n);
                accrued += s * s * (term.T[i] - t0) / n;
            }
            EXPECT_NEAR(accrued, w1 - w0, 1e-5) << S << " " << term.T[i];
            // No jump at the expiry: the volatility interpolates smoothly in time.
            if (i + 1 < term.T.size())
                EXPECT_NEAR(f.sigma(S, term.T[i] - 1e-6), f.sigma(S, term.T[i] + 1e-6), 1e-3)
                    << S << " " << term.T[i];
        }
        t0 = term.T[i], w0 = w1;
    }
    // Past the last expiry the last implied volatility continues.
    EXPECT_NEAR(f.sigma(100.0, 3.0), term.vol.back(), 2e-4);
}

// A surface of a term structure alone prices a payoff that sees only the
// variance to an expiry (one observation there) as the volatility term curve
// of the same quotes does, and a flat surface as the flat volatility: the
// time interpolation moves variance within an interval, never across an
// expiry.
TEST(DupireLocalVol, TermAndFlatSurfacesPriceAsTheirCurves)
{
    TermSurface term;
    term.T = SurfaceMarket().expiries;
    term.vol = {0.32, 0.28, 0.25, 0.22, 0.215, 0.21, 0.22, 0.23};
    TermSurface flat;
    flat.T = term.T;
    flat.vol.assign(term.T.size(), 0.23);
    const ForwardCurve forward = SurfaceMarket().forward();
    DigitalNote d;
    d.T = 1.0;  // an expiry
    PDEParams p;
    p.S0 = 100.0, p.sigma = 0.2, p.r = 0.0, p.q = 0.0, p.T = d.T;
    const MarketModel curves =
        MarketModel::flat(p).value->with_rates(forward.rates()).with_dividends(forward.dividends());
    for (const TermSurface* s : {&term, &flat}) {
        const Fitted f(*s);
        ASSERT_TRUE(f.c.ok()) << f.c.error;
        const MarketResult<MarketModel> surface = curves.with_volatility(f.c.local_vol, "local volatility (surface)");
        ASSERT_TRUE(surface.ok()) << surface.error;
        const MarketModel by_curve = curves.with_volatility(*VolatilityTermCurve::from_black_vols(s->T, s->vol).value);
        const AccurateSolution a = solve_accurate(d.contract(), *surface.value, d.T, 243);
        const AccurateSolution b = solve_accurate(d.contract(), by_curve, d.T, 243);
        ASSERT_TRUE(a.ok() && b.ok()) << a.error << b.error;
        for (bool knocked_in : {false, true})
            EXPECT_NEAR(a.value(100.0, knocked_in), b.value(100.0, knocked_in),
                        a.error_estimate(100.0, knocked_in) + b.error_estimate(100.0, knocked_in) + 1e-3)
                << knocked_in << " " << s->vol.front();
    }
}

TEST(DupireLocalVol, ArbitrageInTheSurfaceIsRefusedWhereItIs)
{
    // A smile whose variance falls with time at k > 0: calendar arbitrage.
    struct Crossing : TotalVarianceSurface
    {
        TotalVariance at(double k, double t) const override
        {
            TotalVariance v;
            v.w = 0.04 * t * (1.0 - 0.5 * k);
            v.w_k = -0.02 * t;
            v.w_t = 0.04 * (1.0 - 3.0 * k);
            return v;
        }
    };
    const DupireLocalVol lv(std::make_shared<Crossing>(), ForwardCurve::flat(0.0, 0.0), 100.0, -3.0, 3.0, {});
    std::vector<double> sigma;
    std::string error;
    EXPECT_TRUE(lv.sigma_on(0.5, {90.0, 100.0, 105.0}, sigma, error)) << error;
    EXPECT_FALSE(lv.sigma_on(0.5, {100.0, 140.0}, sigma, error));
    EXPECT_NE(error.find("local variance negative at t = 0.5, S = 140"), std::string::npos) << error;
}

// A local volatility off by a factor, to see the repricing report it.
struct Scaled : LocalVolatility
{
    const LocalVolatility& base;
    double factor;
    Scaled(const LocalVolatility& b, double f) : base(b), factor(f) {}
    bool sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma, std::string& e) const override
    {
        if (!base.sigma_on(t, S, sigma, e))
            return false;
        for (double& s : sigma)
            s *= factor;
        return true;
    }
    std::vector<double> time_breaks() const override { return base.time_breaks(); }
};

class Repricing : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        fitted_ = new Fitted(EssviSurface());
        ASSERT_TRUE(fitted_->c.ok()) << fitted_->c.error;
    }
    static void TearDownTestSuite() { delete fitted_; }
    static Fitted* fitted_;
    const ForwardCurve forward = SurfaceMarket().forward();
};
Fitted* Repricing::fitted_ = nullptr;

TEST_F(Repricing, SteepSurfaceRepricesWithinTenBasisPoints)
{
    SurfaceCalibration c = fitted_->c;
    std::string error;
    ASSERT_TRUE(reprice_quotes(c, *c.local_vol, forward, error)) << error;
    ASSERT_EQ(c.quotes.size(), 136u);
    double worst = 0.0;
    for (const QuoteResult& q : c.quotes) {
        EXPECT_NEAR(q.fitted_vol, q.quote.vol, 1e-5) << q.quote.source;
        EXPECT_NEAR(q.error_bp, 1e4 * (q.repriced_vol - q.quote.vol), 1e-9);
        if (q.quote.strike >= 70.0 && q.quote.strike <= 130.0) {
            EXPECT_LT(std::fabs(q.error_bp), 10.0) << q.quote.source << " " << q.quote.expiry << " " << q.quote.strike;
        }
        worst = std::max(worst, std::fabs(q.error_bp));
    }
    EXPECT_EQ(c.max_error_bp, worst);
}

TEST_F(Repricing, AWrongLocalVolatilityShowsInTheErrors)
{
    SurfaceCalibration c = fitted_->c;
    std::string error;
    ASSERT_TRUE(reprice_quotes(c, Scaled(*c.local_vol, 1.01), forward, error)) << error;
    // One percent more local volatility everywhere: about one percent more
    // implied volatility at every quote, reported as such.
    for (const QuoteResult& q : c.quotes)
        EXPECT_NEAR(q.error_bp, 100.0 * q.quote.vol, 0.3 * 100.0 * q.quote.vol + 5.0) << q.quote.source;
    EXPECT_GT(c.max_error_bp, 40.0);
}

TEST_F(Repricing, ExportedGridRepricesTheQuotes)
{
    const SurfaceCalibration& c = fitted_->c;
    const MarketResult<LocalVolGrid> exported = export_local_vol_grid(*c.local_vol, c.surface->expiries());
    ASSERT_TRUE(exported.ok()) << exported.error;
    const LocalVolGrid& grid = *exported.value;
    std::string error;
    // Levels 1 % of the spot apart, on the spot; daily rows at first, every expiry a row end.
    ASSERT_GT(grid.levels().size(), 100u);
    EXPECT_NEAR(grid.levels()[1] - grid.levels()[0], 1.0, 1e-9);
    EXPECT_NE(std::find(grid.levels().begin(), grid.levels().end(), 100.0), grid.levels().end());
    EXPECT_NEAR(grid.times()[0], 1.0 / GridExportOptions().year_days, 1e-12);
    for (double T : c.surface->expiries())
        EXPECT_NE(std::find(grid.times().begin(), grid.times().end(), T), grid.times().end()) << T;

    SurfaceCalibration from_surface = c, from_grid = c;
    ASSERT_TRUE(reprice_quotes(from_surface, *c.local_vol, forward, error)) << error;
    ASSERT_TRUE(reprice_quotes(from_grid, grid, forward, error)) << error;
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < c.quotes.size(); ++i) {
        const QuoteResult& q = from_grid.quotes[i];
        if (q.quote.strike < 70.0 || q.quote.strike > 130.0)
            continue;
        EXPECT_LT(std::fabs(q.error_bp), q.quote.expiry < 0.09 ? 30.0 : 10.0) << q.quote.source;
        // Prices per 100 of spot within 0.005 of the surface's own.
        const double s = q.quote.vol * std::sqrt(q.quote.expiry);
        const bool call = q.quote.strike >= q.forward;
        const double gap = black_price(q.forward, q.quote.strike, q.repriced_vol * std::sqrt(q.quote.expiry), call) -
                           black_price(q.forward, q.quote.strike, from_surface.quotes[i].repriced_vol * std::sqrt(q.quote.expiry), call);
        EXPECT_LT(std::fabs(gap), 0.005) << q.quote.source << " " << s;
        sum += q.error_bp * q.error_bp;
        ++count;
    }
    EXPECT_LT(std::sqrt(sum / count), 5.0);
}

}  // namespace
