// The reference Monte Carlo: bit-for-bit repeatable for a seed and a thread
// count, Black-Scholes closed forms in the limits (digital, forward, put
// under a floor), counts that add up, cancellation and too few paths.
#include "EngineTestSupport.h"
#include "ReferenceMonteCarlo.h"
#include "ZigguratNormal.h"

#include <iterator>

namespace {

double normalCdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

struct McRun
{
    SnowballContract contract{{1.0}, {110.0}, {0.12}, {0.0}, 0.04};
    PDEParams model;
    ReferenceMcSettings settings;
    McRun()
    {
        model.S0 = 100, model.sigma = 0.25, model.r = 0.03, model.q = 0.02, model.T = 1.0;
        settings.paths = 200000, settings.seed = 5, settings.threads = 2;
    }
    ReferenceMcResult operator()(const ProgressHook& hook = {}) const
    {
        return reference_monte_carlo(contract, model, 243, settings, hook);
    }
    double d2(double level) const
    {
        const double s = model.sigma, T = model.T;
        return (std::log(model.S0 / level) + (model.r - model.q - 0.5 * s * s) * T) / (s * std::sqrt(T));
    }
};

TEST(ZigguratNormal, MatchesTheNormalDistributionIntoTheTails)
{
    // The share below each level, the tails beyond the ziggurat's base
    // (3.44) included, within 5 standard errors of N(x); mean and variance.
    RandomStream stream(42);
    const ZigguratNormal& normal = ZigguratNormal::instance();
    const double levels[] = {-4.0, -3.5, -2.0, -1.0, -0.3, 0.0, 0.7, 1.5, 3.0, 3.6, 4.2};
    const int n = 4000000;
    int below[std::size(levels)] = {};
    double sum = 0, sum_sq = 0;
    for (int i = 0; i < n; ++i) {
        const double z = normal(stream);
        sum += z, sum_sq += z * z;
        for (std::size_t k = 0; k < std::size(levels); ++k)
            below[k] += z < levels[k];
    }
    for (std::size_t k = 0; k < std::size(levels); ++k) {
        const double p = normalCdf(levels[k]);
        EXPECT_NEAR(below[k] / double(n), p, 5.0 * std::sqrt(p * (1 - p) / n) + 1e-7) << levels[k];
    }
    EXPECT_NEAR(sum / n, 0.0, 5.0 / std::sqrt(n));
    EXPECT_NEAR(sum_sq / n, 1.0, 5.0 * std::sqrt(2.0 / n));
}

TEST(ReferenceMonteCarlo, RepeatsForASeedAndThreadCount)
{
    McRun run;
    run.contract = {{0.25, 0.5, 0.75, 1.0}, {103, 103, 103, 103}, {0.16, 0.16, 0.16, 0.16}, {80, 80, 80, 80}, 0.16};
    run.settings.paths = 20000;
    const ReferenceMcResult a = run(), b = run();
    ASSERT_TRUE(a.ok()) << a.error;
    EXPECT_EQ(a.price, b.price);
    EXPECT_EQ(a.standard_error, b.standard_error);
    EXPECT_EQ(a.ki_probability.mean, b.ki_probability.mean);
    for (std::size_t k = 0; k < a.ko_probability.size(); ++k)
        EXPECT_EQ(a.ko_probability[k].mean, b.ko_probability[k].mean);
    run.settings.seed = 6;
    EXPECT_NE(run().price, a.price);
    run.settings.seed = 5, run.settings.threads = 3;
    const ReferenceMcResult c = run();
    EXPECT_EQ(c.threads, 3);
    EXPECT_NE(c.price, a.price);  // other streams...
    EXPECT_NEAR(c.price, a.price, 5.0 * (a.standard_error + c.standard_error));  // ...same answer
}

TEST(ReferenceMonteCarlo, OneObservationAtMaturityIsDigitalPlusDividend)
{
    // Pays S0 (1 + c T) at or above B, else S0 (1 + div T): a digital.
    for (double q : {0.0, 0.02, 0.06}) {
        McRun run;
        run.model.q = q;
        const ReferenceMcResult r = run();
        ASSERT_TRUE(r.ok()) << r.error;
        const double up = normalCdf(run.d2(110.0)), T = 1.0, S0 = 100.0;
        const double price = std::exp(-0.03 * T) * (S0 * (1 + 0.12 * T) * up + S0 * (1 + 0.04 * T) * (1 - up));
        EXPECT_NEAR(r.price, price, 4.0 * r.standard_error) << q;
        EXPECT_NEAR(r.ko_probability[0].mean, up, 4.0 * r.ko_probability[0].standard_error) << q;
        EXPECT_NEAR(r.maturity_probability.mean, 1.0 - up, 4.0 * r.maturity_probability.standard_error) << q;
        EXPECT_EQ(r.ki_probability.mean, 0.0);
        EXPECT_EQ(r.expected_life.mean, 1.0);
        EXPECT_EQ(r.paths, 200000);
    }
}

TEST(ReferenceMonteCarlo, KnockedInPaysTheForwardAndTheFloorAPut)
{
    McRun run;
    run.settings.knocked_in = true;
    run.contract = {{0.5, 1.0}, {1e9, 1e9}, {0.1, 0.1}, {80, 80}, 0.1};
    const double S0 = 100, r = 0.03, q = 0.02, T = 1.0;
    // Knocked in, never out: the discounted underlying, which the control
    // variate removes exactly.
    ReferenceMcResult res = run();
    ASSERT_TRUE(res.ok()) << res.error;
    EXPECT_NEAR(res.price, S0 * std::exp(-q * T), 1e-9);
    EXPECT_EQ(res.ki_probability.mean, 1.0);
    EXPECT_NEAR(res.loss_probability.mean, normalCdf(-run.d2(S0)), 4.0 * res.loss_probability.standard_error);
    // With a floor F: forward plus a put struck at F.
    const double F = 90;
    run.contract.floor_price = F;
    res = run();
    const double put = F * std::exp(-r * T) * normalCdf(-run.d2(F)) -
                       S0 * std::exp(-q * T) * normalCdf(-run.d2(F) - 0.25 * std::sqrt(T));
    EXPECT_NEAR(res.price, S0 * std::exp(-q * T) + put, 4.0 * res.standard_error);
    EXPECT_LT(res.standard_error, res.plain.standard_error);  // the control variate helps
    // The option form pays the same less the notional.
    run.contract.form = PayoffForm::Option;
    EXPECT_NEAR(run().price, S0 * std::exp(-q * T) + put - S0 * std::exp(-r * T), 4.0 * res.standard_error);
}

TEST(ReferenceMonteCarlo, AntitheticPartnersMirrorEachOther)
{
    // Zero log drift: of each pair exactly one path ends below the start.
    McRun run;
    run.settings.knocked_in = true;
    run.contract = {{1.0}, {1e9}, {0.1}, {80}, 0.1};
    run.model.q = run.model.r - 0.5 * run.model.sigma * run.model.sigma;
    const ReferenceMcResult r = run();
    EXPECT_EQ(r.loss_probability.mean, 0.5);
    EXPECT_EQ(r.loss_probability.standard_error, 0.0);
}

TEST(ReferenceMonteCarlo, KnockInAtMaturityPaysTheUnderlying)
{
    // One trading day a year: knock-in is looked at today and at maturity
    // only, so the note pays S_T at or below K and S0 (1 + div T) above:
    // e^{-rT} (S0 e^{(r-q)T} N(-d1) + S0 (1 + div T) N(d2)) with d1 = d2 + sigma sqrt T.
    McRun run;
    run.contract = {{1.0}, {1e9}, {0.1}, {90}, 0.04};
    const ReferenceMcResult r = reference_monte_carlo(run.contract, run.model, 1, run.settings);
    ASSERT_TRUE(r.ok()) << r.error;
    const double d2 = run.d2(90), d1 = d2 + 0.25, S0 = 100;
    const double price = std::exp(-0.03) * (S0 * std::exp(0.01) * normalCdf(-d1) + S0 * 1.04 * normalCdf(d2));
    EXPECT_NEAR(r.price, price, 4.0 * r.standard_error);
    EXPECT_NEAR(r.ki_probability.mean, normalCdf(-d2), 4.0 * r.ki_probability.standard_error);
    EXPECT_NEAR(r.loss_probability.mean, normalCdf(-d2), 4.0 * r.loss_probability.standard_error);
}

TEST(ReferenceMonteCarlo, CountsAddUp)
{
    McRun run;
    run.contract = {{0.25, 0.5, 0.75, 1.0}, {103, 102, 101, 100}, {0.16, 0.16, 0.16, 0.16}, {80, 80, 80, 80}, 0.16};
    const ReferenceMcResult r = run();
    ASSERT_TRUE(r.ok());
    double total = r.maturity_probability.mean, life = r.maturity_probability.mean * 1.0;
    for (std::size_t k = 0; k < 4; ++k)
        total += r.ko_probability[k].mean, life += r.ko_probability[k].mean * run.contract.obs_times[k];
    EXPECT_NEAR(total, 1.0, 1e-12);
    EXPECT_NEAR(r.expected_life.mean, life, 1e-12);
    EXPECT_LE(r.loss_probability.mean, r.ki_probability.mean);
    // A spot at or below the barrier of today's period has knocked in.
    run.model.S0 = 80;
    EXPECT_EQ(run().ki_probability.mean, 1.0);
}

TEST(ReferenceMonteCarlo, StandardErrorsMatchTheSpreadBetweenSeeds)
{
    // Sixteen runs on four threads: each estimate's spread over the seeds is
    // what its standard error says (within what sixteen samples allow).
    // Threads drawing one stream between them would leave it a quarter of
    // the samples, twice the spread; an error that drops to 0 is no bound.
    McRun run;
    run.contract = {{0.25, 0.5, 0.75, 1.0}, {103, 102, 101, 100}, {0.16, 0.16, 0.16, 0.16}, {80, 80, 80, 80}, 0.16};
    run.settings.paths = 20000, run.settings.threads = 4;
    const auto figures = [](const ReferenceMcResult& r) {
        std::vector<McEstimate> all{{r.price, r.standard_error}, r.maturity_probability, r.ki_probability,
                                    r.loss_probability, r.expected_life};
        all.insert(all.end(), r.ko_probability.begin(), r.ko_probability.end());
        return all;
    };
    const int seeds = 16;
    std::vector<std::vector<McEstimate>> runs;
    for (int seed = 1; seed <= seeds; ++seed) {
        run.settings.seed = static_cast<std::uint64_t>(seed);
        const ReferenceMcResult r = run();
        ASSERT_TRUE(r.ok()) << r.error;
        runs.push_back(figures(r));
    }
    for (std::size_t f = 0; f < runs[0].size(); ++f) {
        double mean = 0, error = 0;
        for (const auto& r : runs)
            mean += r[f].mean / seeds, error += r[f].standard_error / seeds;
        double spread = 0;
        for (const auto& r : runs)
            spread += (r[f].mean - mean) * (r[f].mean - mean) / (seeds - 1);
        spread = std::sqrt(spread);
        EXPECT_GT(error, 0.0) << f;
        EXPECT_GT(spread / error, 0.55) << f;
        EXPECT_LT(spread / error, 1.5) << f;
    }
}

TEST(ReferenceMonteCarlo, HookSeesProgressAndCanStop)
{
    McRun run;
    run.settings.paths = 4000000;
    int calls = 0;
    const ReferenceMcResult r = run([&](double done) {
        EXPECT_GE(done, 0.0);
        EXPECT_LE(done, 1.0);
        ++calls;
        return false;
    });
    EXPECT_GE(calls, 1);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    EXPECT_TRUE(std::isnan(r.price));
    run.settings.paths = 2000;
    const ReferenceMcResult full = run([](double) { return true; });
    EXPECT_TRUE(full.ok());
    run.settings.paths = 2000;
    EXPECT_EQ(run().price, full.price);  // the hook changes nothing
}

TEST(ReferenceMonteCarlo, FewerThanAHundredPairsAreNoEstimate)
{
    // Two paths gave a standard error of 0; 199 paths round up to 100 pairs.
    McRun run;
    for (const long long paths : {2LL, 197LL}) {
        run.settings.paths = paths;
        const ReferenceMcResult r = run();
        EXPECT_FALSE(r.ok()) << paths;
        EXPECT_EQ(r.refusal.code, RefusalCode::Paths) << paths;
        EXPECT_NE(r.error.find("100 antithetic pairs"), std::string::npos) << r.error;
        EXPECT_TRUE(std::isnan(r.standard_error)) << paths;
    }
    run.settings.paths = 199;
    const ReferenceMcResult r = run();
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.paths, 200);
    EXPECT_GT(r.standard_error, 0.0);
}

}  // namespace
