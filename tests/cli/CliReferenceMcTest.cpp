// mc --reference: the engine's reference Monte Carlo, reproducible for a
// seed and a thread count, and an independent check of the accurate price.
#include "CliEngineTerms.h"
#include "CliRun.h"

#include "ReferenceMonteCarlo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(CliReferenceMc, IsTheEnginesRunAndReproducibleForASeedAndThreads)
{
    const QStringList run = QStringList{"mc", "--reference", "--json", "--paths", "20000", "--threads", "2"} +
                            engineTermArgs();
    // Bit for bit the engine's run for seed 7 (whose repeatability is the engine's test).
    const CliResult a = runCli(run + QStringList{"--seed", "7"});
    ASSERT_EQ(a.status, 0) << a.err;

    ReferenceMcSettings settings;
    settings.paths = 20000, settings.seed = 7, settings.threads = 2;
    const ReferenceMcResult expected =
        reference_monte_carlo(engineTermsContract(), engineTermsParams(), 243, settings);
    ASSERT_TRUE(expected.ok()) << expected.error;
    const nlohmann::json j = a.json();
    EXPECT_EQ(j["method"], "reference");
    EXPECT_EQ(j["price"].get<double>(), expected.price);
    EXPECT_EQ(j["standard_error"].get<double>(), expected.standard_error);
    EXPECT_EQ(j["paths"].get<long long>(), 20000);
    EXPECT_EQ(j["seed"].get<long long>(), 7);
    EXPECT_EQ(j["threads"].get<int>(), 2);
}

TEST(CliReferenceMc, IntegersAreReadInBaseTen)
{
    // 0300 is three hundred paths (not octal 192); the largest seed is taken as typed.
    const CliResult r = runCli(QStringList{"mc", "--reference", "--json", "--paths", "0300", "--seed",
                                           "18446744073709551615", "--threads", " 1 "} +
                               engineTermArgs());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json()["paths"].get<long long>(), 300);
    EXPECT_EQ(r.json()["seed"].get<unsigned long long>(), 18446744073709551615ULL);
    EXPECT_EQ(r.json()["threads"].get<int>(), 1);
}

TEST(CliReferenceMc, DefaultStructureAgreesWithTheAccuratePrice)
{
    // The window's defaults on the shipped calendar, a million paths.
    const QStringList day{"--json", "--today", "20250106"};
    const CliResult mc = runCli(QStringList{"mc", "--reference"} + day);
    const CliResult accurate = runCli(QStringList{"price", "--accurate"} + day);
    ASSERT_EQ(mc.status, 0) << mc.err;
    ASSERT_EQ(accurate.status, 0) << accurate.err;
    EXPECT_EQ(mc.json()["paths"].get<long long>(), 1000000);
    EXPECT_EQ(mc.json()["seed"].get<long long>(), 1);
    const double se = mc.json()["standard_error"].get<double>();
    EXPECT_GT(se, 0.0);
    EXPECT_LT(se, 0.05);
    // Four standard errors, widened by the accurate price's own error bound.
    EXPECT_NEAR(mc.json()["price"].get<double>(), accurate.json()["price"].get<double>(),
                4 * se + accurate.json()["error_estimate"].get<double>());
}

