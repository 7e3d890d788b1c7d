// The Monte Carlo pricer: its random stream, reproducibility, and limiting
// cases with known prices (knocked-in paths keep being observed; a path
// knocks out only at its barrier, participation on top).
#include "MonteCarlo.h"
#include "RandomStream.h"
#include "Snowball_PDE.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

struct Note
{
    double S0 = 100.0;
    std::vector<double> obs{0.25, 0.5, 0.75, 1.0};
    std::vector<double> ko{103, 103, 103, 103};
    std::vector<double> coupon{0.16, 0.16, 0.16, 0.16};
    std::vector<double> ki{80, 80, 80, 80};
    double floor = 0.0, strike = 0.0, participation = 0.0;
    double r = 0.015, sigma = 0.18, T = 1.0;
    int steps = 252, paths = 2000;

    double price(RandomStream& stream) const
    {
        return price_monte_carlo(stream, S0, obs, ko, coupon, ki, floor, strike, participation, r, sigma, T, steps,
                                 paths);
    }
    double price() const
    {
        RandomStream fresh;
        return price(fresh);
    }
    void flat(double ko_value, double ki_value)
    {
        ko.assign(obs.size(), ko_value);
        ki.assign(obs.size(), ki_value);
    }
};

double uniform_from(std::mt19937& g)
{
    const double x1 = g();
    const double x2 = g();
    return (x1 + x2 * 4294967296.0) / 18446744073709551616.0;
}

TEST(RandomStreamTest, UniformsFromTwoOutputsNormalsByThePolarMethod)
{
    // Many blocks of the generator, against std::mt19937 with its default seed.
    std::mt19937 reference(5489u);
    RandomStream stream;
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(stream.uniform(), uniform_from(reference)) << i;

    // The polar method by hand on the same generator.
    std::mt19937 g;
    RandomStream normals;
    for (int pair = 0; pair < 3; ++pair) {
        double u1, u2, s;
        do {
            u1 = 2.0 * uniform_from(g) - 1.0;
            u2 = 2.0 * uniform_from(g) - 1.0;
            s = u1 * u1 + u2 * u2;
        } while (s >= 1.0);
        const double m = std::sqrt(-2.0 * std::log(s) / s);
        EXPECT_EQ(normals.normal(), u1 * m);
        EXPECT_EQ(normals.normal(), u2 * m);  // kept from the pair, no new draw
    }
}

TEST(RandomStreamTest, SkippingAdvancesLikeDrawing)
{
    for (int offset = 0; offset < 2; ++offset) {
        for (long skip = 0; skip < 9; ++skip) {
            RandomStream drawn, skipped;
            for (int i = 0; i < offset; ++i) {
                drawn.normal();
                skipped.normal();
            }
            for (long i = 0; i < skip; ++i)
                drawn.normal();
            skipped.skip_normals(skip);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(skipped.normal(), drawn.normal()) << offset << " " << skip;
        }
    }
}

TEST(MonteCarlo, ReproducibleBitForBit)
{
    const Note note;
    const double first = note.price();
    EXPECT_EQ(note.price(), first);
    EXPECT_GT(first, 80.0);
    EXPECT_LT(first, 120.0);
    // A stream continues: the second run on it differs.
    RandomStream stream;
    EXPECT_EQ(note.price(stream), first);
    EXPECT_NE(note.price(stream), first);
}

TEST(MonteCarlo, ProcessWideStreamStartsAtTheDefaultSeedAndContinues)
{
    // The only test in this program that draws from the process-wide stream.
    const Note n;
    RandomStream fresh;
    const double a = n.price(fresh);
    const double b = n.price(fresh);
    EXPECT_EQ(price_monte_carlo(n.S0, n.obs, n.ko, n.coupon, n.ki, n.floor, n.strike, n.participation, n.r, n.sigma,
                                n.T, n.steps, n.paths),
              a);
    EXPECT_EQ(price_monte_carlo(n.S0, n.obs, n.ko, n.coupon, n.ki, n.floor, n.strike, n.participation, n.r, n.sigma,
                                n.T, n.steps, n.paths),
              b);
}

TEST(MonteCarlo, KnockedInEverywhereWithoutKnockOutIsTheDiscountedUnderlying)
{
    Note n;
    n.flat(1e6, 101.0);  // in at step 0, never out
    n.sigma = 0.0;
    n.r = 0.03;
    const double dt = 1.0 / 252.0;
    // The last simulated price is S0 e^{r (n-1) dt}, paid at T.
    EXPECT_NEAR(n.price(), 100.0 * std::exp(-0.03 * dt), 1e-10);
    n.floor = 120.0;
    EXPECT_NEAR(n.price(), 120.0 * std::exp(-0.03), 1e-10);

    // With volatility the mean final price is the forward: a statistical check
    // of the path dynamics (the standard error is about 0.15).
    Note v;
    v.flat(1e6, 101.0);
    v.sigma = 0.3;
    v.steps = 52;
    v.paths = 20000;
    EXPECT_NEAR(v.price(), 100.0 * std::exp(-0.015 / 52.0), 0.6);
}

TEST(MonteCarlo, BarrierAtZeroKnocksOutAtTheFirstObservation)
{
    Note n;
    n.flat(0.0, 0.0);
    n.paths = 500;
    const double t = 62.0 / 252.0;  // step trunc(252 * 0.25 - 1)
    EXPECT_NEAR(n.price(), (1.0 + 0.16 * t) * 100.0 * std::exp(-0.015 * t), 1e-9);
}

TEST(MonteCarlo, ParticipationOnlyOnKnockOut)
{
    Note n;
    n.sigma = 0.0;
    n.r = 0.0;  // the price stays at S0
    n.strike = 90.0;
    n.participation = 0.5;
    n.flat(100.0, 50.0);
    const double t = 62.0 / 252.0;
    EXPECT_NEAR(n.price(), (1.0 + 0.16 * t + (100.0 - 90.0) * 0.5 / 100.0) * 100.0, 1e-9);
    // Above the strike but below the barrier: no knock-out, the coupon at maturity.
    n.flat(105.0, 50.0);
    EXPECT_DOUBLE_EQ(n.price(), (1.0 + 0.16 * 1.0) * 100.0);
    // Strike 0: no participation whatever the ratio.
    n.strike = 0.0;
    n.participation = 5.0;
    n.flat(100.0, 50.0);
    EXPECT_NEAR(n.price(), (1.0 + 0.16 * t) * 100.0, 1e-9);
}

TEST(MonteCarlo, KnockedInPathsStillKnockOutLater)
{
    Note n;
    n.obs = {0.5, 1.0};
    n.coupon = {0.2, 0.2};
    n.flat(110.0, 101.0);  // in at step 0 ...
    n.sigma = 0.0;
    n.r = 0.5;  // ... then rising to 128 by the first observation
    const double t = 125.0 / 252.0;
    EXPECT_NEAR(n.price(), (1.0 + 0.2 * t) * 100.0 * std::exp(-0.5 * t), 1e-9);
}

TEST(MonteCarlo, UntouchedPathsEarnTheLastCoupon)
{
    Note n;
    n.sigma = 0.0;
    n.r = 0.0;
    n.flat(150.0, 50.0);
    n.coupon = {0.1, 0.12, 0.14, 0.16};
    EXPECT_DOUBLE_EQ(n.price(), 116.0);
}

TEST(MonteCarlo, AgreesWithTheFiniteDifferencePrice)
{
    // The window's default note (dividend coupon = knock-out coupon, so both
    // pricers model the same payout) on a daily grid.
    Note n;
    n.obs.clear();
    for (int month = 3; month <= 12; ++month)
        n.obs.push_back(month / 12.0);
    n.flat(103.0, 80.0);
    n.coupon.assign(n.obs.size(), 0.16);
    n.paths = 20000;
    const double mc = n.price();

    PDEParams p;
    p.S0 = 100.0;
    p.S_max = 300.0;
    p.sigma = n.sigma;
    p.r = n.r;
    p.q = 0.0;
    p.T = 1.0;
    p.M = 600;
    p.N = 252;
    const double pde = auto_call_finite_diff_implicit(n.obs, n.ko, n.coupon, n.ki, 0.16, 0.0, 0.0, 0.0, 0.0, p);
    // Monte Carlo error about 0.1; the two also observe a day apart.
    EXPECT_NEAR(mc, pde, 0.5);
}

TEST(MonteCarlo, RefusesWhatItCannotSimulate)
{
    const auto refused = [](Note n) { return std::isnan(n.price()); };
    Note n;
    Note empty = n;
    empty.obs.clear();
    empty.ko.clear();
    empty.coupon.clear();
    empty.ki.clear();
    EXPECT_TRUE(refused(empty));
    Note short_ko = n;
    short_ko.ko.pop_back();
    EXPECT_TRUE(refused(short_ko));
    Note tiny = n;
    tiny.T = 0.001;  // less than one step
    tiny.obs = {0.001};
    tiny.flat(103, 80);
    tiny.coupon = {0.1};
    EXPECT_TRUE(refused(tiny));
    Note at_zero = n;
    at_zero.obs[0] = 0.0;  // before the first step
    EXPECT_TRUE(refused(at_zero));
    Note same_step = n;
    same_step.obs = {0.5, 0.501, 0.75, 1.0};
    EXPECT_TRUE(refused(same_step));
    Note after = n;
    after.obs.back() = 1.2;
    EXPECT_TRUE(refused(after));
    Note nan_sigma = n;
    nan_sigma.sigma = std::nan("");
    EXPECT_TRUE(refused(nan_sigma));
    Note no_paths = n;
    no_paths.paths = 0;
    EXPECT_TRUE(refused(no_paths));
    Note negative_spot = n;
    negative_spot.S0 = -1.0;
    EXPECT_TRUE(refused(negative_spot));
}

}  // namespace
