// The Monte Carlo pricer: its random stream, reproducibility, limiting cases
// with known prices (knocked-in paths keep being observed; a path knocks out
// only at its barrier, participation on top) and its refusals.
#include "EngineTestSupport.h"
#include "MonteCarlo.h"
#include "RandomStream.h"

#include <random>

namespace {

struct Note
{
    double S0 = 100.0;
    std::vector<double> obs{0.25, 0.5, 0.75, 1.0}, ko{103, 103, 103, 103}, coupon{0.16, 0.16, 0.16, 0.16},
        ki{80, 80, 80, 80};
    double floor = 0.0, strike = 0.0, participation = 0.0, r = 0.015, sigma = 0.18, T = 1.0;
    int steps = 252, paths = 2000;

    SnowballContract contract() const
    {
        SnowballContract c;
        c.obs_times = obs, c.ko_barrier = ko, c.ko_coupon = coupon, c.ki_barrier = ki;
        c.floor_price = floor, c.call_strike = strike, c.call_participation = participation;
        return c;
    }
    PDEParams model() const
    {
        PDEParams p;
        p.S0 = S0, p.r = r, p.sigma = sigma, p.T = T;
        return p;
    }
    // On the given stream, or on a fresh one.
    double price(RandomStream* stream = nullptr) const
    {
        RandomStream fresh;
        return price_monte_carlo(stream ? *stream : fresh, contract(), model(), steps, paths);
    }
    // Flat barriers; frozen: no volatility, no rate, the price stays at S0.
    Note& flat(double ko_value, double ki_value, bool frozen = false)
    {
        ko.assign(obs.size(), ko_value);
        ki.assign(obs.size(), ki_value);
        if (frozen)
            sigma = r = 0.0;
        return *this;
    }
};
using Set = std::function<void(Note&)>;

double uniform_from(std::mt19937& g)
{
    const double x1 = g(), x2 = g();
    return (x1 + x2 * 4294967296.0) / 18446744073709551616.0;
}

// The stream's normals the long way: std::mt19937 with its default seed, a
// uniform from two outputs, polar pairs whose second variate comes next.
class ReferenceNormals
{
public:
    double next()
    {
        if (spare_ready_) {
            spare_ready_ = false;
            return spare_;
        }
        double u1, u2, s;
        do {
            u1 = 2.0 * uniform_from(g_) - 1.0;
            u2 = 2.0 * uniform_from(g_) - 1.0;
            s = u1 * u1 + u2 * u2;
        } while (s >= 1.0);
        const double m = std::sqrt(-2.0 * std::log(s) / s);
        spare_ = u2 * m;
        spare_ready_ = true;
        return u1 * m;
    }

private:
    std::mt19937 g_;
    bool spare_ready_ = false;
    double spare_ = 0.0;
};

TEST(RandomStreamTest, Mt19937UniformsPolarNormalsAndSkipsThatMatchDraws)
{
    std::mt19937 reference;  // default seed
    RandomStream stream;
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(stream.uniform(), uniform_from(reference)) << i;
    ReferenceNormals expected;
    RandomStream normals;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(normals.normal(), expected.next()) << i;
    // From an even or an odd position, skipping n normals is drawing them.
    for (long start = 0; start < 2; ++start) {
        for (long skip = 0; skip < 9; ++skip) {
            RandomStream drawn, skipped;
            for (long i = 0; i < start + skip; ++i)
                drawn.normal();
            if (start)
                skipped.normal();
            skipped.skip_normals(skip);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(skipped.normal(), drawn.normal()) << start << " " << skip;
        }
    }
}

TEST(MonteCarlo, ReproducibleBitForBitOnTheProcessWideStreamToo)
{
    // The only test in this program that draws from the process-wide stream.
    const Note n;
    RandomStream stream;
    const double first = n.price(&stream), second = n.price(&stream);
    EXPECT_NE(first, second);  // a stream continues
    EXPECT_EQ(n.price(), first);
    EXPECT_TRUE(first > 80.0 && first < 120.0);
    for (double expected : {first, second})
        EXPECT_EQ(price_monte_carlo(n.contract(), n.model(), n.steps, n.paths), expected);
}

TEST(MonteCarlo, LimitingCasesWithKnownPrices)
{
    const double dt = 1.0 / 252.0, t1 = 62.0 * dt;  // the first observation is step trunc(252 * 0.25 - 1)
    const std::tuple<const char*, Set, double, double> cases[] = {  // what, terms, price, tolerance
        // Without volatility the last simulated price S0 e^{r (n-1) dt} is paid at T.
        {"in, never out", [](Note& n) { n.flat(1e6, 101).r = 0.03, n.sigma = 0; }, 100 * std::exp(-0.03 * dt), 1e-10},
        {"in, floored", [](Note& n) { n.flat(1e6, 101, true).floor = 120, n.r = 0.03; }, 120 * std::exp(-0.03), 1e-10},
        // With volatility the mean final price is the forward (standard error about 0.15).
        {"in, forward", [](Note& n) { n.flat(1e6, 101).sigma = 0.3, n.steps = 52, n.paths = 20000; },
         100 * std::exp(-0.015 / 52.0), 0.6},
        {"barrier 0", [](Note& n) { n.flat(0, 0).paths = 500; }, (1 + 0.16 * t1) * 100 * std::exp(-0.015 * t1), 1e-9},
        {"participation", [](Note& n) { n.flat(100, 50, true).strike = 90, n.participation = 0.5; },
         (1 + 0.16 * t1 + 0.05) * 100, 1e-9},
        {"above the strike, below the barrier",
         [](Note& n) { n.flat(105, 50, true).strike = 90, n.participation = 0.5; }, 116, 1e-12},
        {"strike 0", [](Note& n) { n.flat(100, 50, true).participation = 5; }, (1 + 0.16 * t1) * 100, 1e-9},
        {"untouched", [](Note& n) { n.flat(150, 50, true).coupon = {0.1, 0.12, 0.14, 0.16}; }, 116, 1e-12},
        // In at step 0, then rising to 128 by the first observation.
        {"in, then out", [](Note& n) { n.obs = {0.5, 1}, n.coupon = {0.2, 0.2}, n.flat(110, 101, true).r = 0.5; },
         (1 + 0.2 * 125 * dt) * 100 * std::exp(-0.5 * 125 * dt), 1e-9},
    };
    for (const auto& c : cases) {
        Note n;
        std::get<1>(c)(n);
        EXPECT_NEAR(n.price(), std::get<2>(c), std::get<3>(c)) << std::get<0>(c);
    }
}

TEST(MonteCarlo, AKnockedOutPathLeavesItsRemainingDrawsToNobody)
{
    // 20 steps (dt = 0.05), observations on steps trunc(20 t - 1) = 11 and
    // 19. Every path has knocked in at step 0 (barrier above S0) and keeps
    // being observed. The first path knocks out on step 11, after its normals
    // 1..11; the second must then walk on normals 20..38 (19 a path) to the
    // final price it is paid.
    Note n;
    n.obs = {0.625, 1.0}, n.coupon = {0.2, 0.2}, n.ki = {1000, 1000};
    n.sigma = 0.5, n.r = 0.03, n.steps = 20, n.paths = 2;
    const double dt = 0.05, shock = n.sigma * std::sqrt(dt), drift = (n.r - 0.5 * n.sigma * n.sigma) * dt;
    ReferenceNormals z;
    double log_path[2][20] = {};
    for (auto& path : log_path)
        for (int i = 1; i < 20; ++i)
            path[i] = path[i - 1] + z.next() * shock + drift;
    const double at_step11[2] = {100 * std::exp(log_path[0][11]), 100 * std::exp(log_path[1][11])};
    ASSERT_GT(at_step11[0], at_step11[1] * 1.01);  // so a barrier between them sorts the paths
    n.ko = {0.5 * (at_step11[0] + at_step11[1]), 1e9};
    const double first = (1 + 0.2 * 11 * dt) * 100 * std::exp(-n.r * 11 * dt);
    const double second = 100 * std::exp(log_path[1][19]) * std::exp(-n.r);
    EXPECT_NEAR(n.price(), 0.5 * (first + second), 1e-9);
}

TEST(MonteCarlo, AgreesWithTheFiniteDifferencePrice)
{
    // The classic note (dividend coupon = knock-out coupon, so both pricers
    // model the same payout) on a daily grid.
    Snowball_PDE pde = classicSnowball(600, 252, 3);
    pde.params.S_max = 300.0;
    Note n;
    n.obs = pde.contract.obs_times;
    n.flat(103.0, 80.0).coupon = pde.contract.ko_coupon;
    n.paths = 20000;
    EXPECT_NEAR(n.price(), pde.price(), 0.5);  // Monte Carlo error about 0.1; they also observe a day apart
}

TEST(MonteCarlo, RefusesWhatItCannotSimulate)
{
    const std::pair<const char*, Set> cases[] = {
        {"empty", [](Note& n) { n.obs.clear(), n.ko.clear(), n.coupon.clear(), n.ki.clear(); }},
        {"short ko", [](Note& n) { n.ko.pop_back(); }}, {"after T", [](Note& n) { n.obs.back() = 1.2; }},
        {"less than a step", [](Note& n) { n.T = 0.001, n.obs = {0.001}, n.flat(103, 80).coupon = {0.1}; }},
        {"observed at 0", [](Note& n) { n.obs[0] = 0.0; }}, {"NaN sigma", [](Note& n) { n.sigma = NAN; }},
        {"same step", [](Note& n) { n.obs = {0.5, 0.501, 0.75, 1.0}; }}, {"no paths", [](Note& n) { n.paths = 0; }},
        {"no steps", [](Note& n) { n.steps = -1; }}, {"negative spot", [](Note& n) { n.S0 = -1.0; }},
    };
    for (const auto& c : cases) {
        Note n;
        c.second(n);
        EXPECT_TRUE(std::isnan(n.price())) << c.first;
    }
}

}  // namespace
