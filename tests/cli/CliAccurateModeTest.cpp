// --accurate: the engine's accurate mode through kelvara-cli must give the
// engine's own accurate numbers for the same terms, to the last bit, with
// their error estimates; without it nothing in the output changes.
#include "CliEngineTerms.h"
#include "CliRun.h"

#include "Snowball_PDE.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// The engine as the CLI reports handing it over ("structure" of price --json).
Snowball_PDE engineOf(const nlohmann::json& s, int yearDays)
{
    SnowballContract c;
    c.obs_times = s["obs_times"].get<std::vector<double>>();
    c.ko_barrier = s["ko_barrier"].get<std::vector<double>>();
    c.ko_coupon = s["ko_coupon"].get<std::vector<double>>();
    c.ki_barrier = s["ki_barrier"].get<std::vector<double>>();
    c.div_coupon = s["div_coupon"];
    c.floor_price = s["floor"];
    c.call_strike = s["strike"];
    c.call_participation = s["participation"];
    c.form = s["type"] == "option" ? PayoffForm::Option : PayoffForm::Note;
    Snowball_PDE engine;
    engine.set_structure(c, PDEParams{s["spot"], s["smax"], s["sigma"], s["r"], s["q"], s["T"], s["M"], s["N"]});
    engine.method = PricingMethod::Accurate;
    engine.year_days = yearDays;
    return engine;
}

Snowball_PDE accurateEngineTerms()
{
    Snowball_PDE engine;
    engine.set_structure(engineTermsContract(), engineTermsParams());
    engine.method = PricingMethod::Accurate;
    engine.year_days = 243;
    return engine;
}

}  // namespace

TEST(CliAccurate, PriceIsTheEnginesAccuratePriceWithItsErrorEstimate)
{
    // The hand-written terms first: nothing taken from the CLI's own report.
    {
        Snowball_PDE engine = accurateEngineTerms();
        const double expected = engine.price();
        ASSERT_TRUE(std::isfinite(expected));
        const CliResult r = runCli(QStringList{"price", "--accurate", "--json"} + engineTermArgs());
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::json j = r.json();
        EXPECT_EQ(j["mode"], "accurate");
        EXPECT_EQ(j["price"].get<double>(), expected);
        EXPECT_EQ(j["error_estimate"].get<double>(), engine.error_estimate);
        EXPECT_GT(engine.error_estimate, 0.0);
    }
    // Then dated structures and other trading days a year: the engine fed
    // the terms the CLI reports, in accurate mode with --year-days.
    const QTemporaryDir dir;
    const QString cal = everyDayCalendar(dir);
    const struct
    {
        QStringList args;
        int yearDays;
    } cases[] = {
        {{"--today", "20240115"}, 243},
        {{"--today", "20240115", "--year-days", "250"}, 250},
        {{"--today", "20240115", "--type", "option", "--ko", "105", "--ki", "70", "--vol", "30"}, 243},
        {{"--today", "20240115", "--floor", "80", "--strike", "100", "--participation", "0.8"}, 243},
    };
    for (const auto& c : cases) {
        const CliResult r = runCli(QStringList{"price", "--accurate", "--json", "--calendar", cal} + c.args);
        ASSERT_EQ(r.status, 0) << c.args.join(' ').toStdString() << r.err;
        const nlohmann::json j = r.json();
        Snowball_PDE engine = engineOf(j["structure"], c.yearDays);
        EXPECT_EQ(j["price"].get<double>(), engine.price()) << c.args.join(' ').toStdString();
        EXPECT_EQ(j["error_estimate"].get<double>(), engine.error_estimate) << c.args.join(' ').toStdString();
    }
}

TEST(CliAccurate, GreeksAreTheAccurateLookupInTheWindowsUnits)
{
    const Snowball_PDE engine = accurateEngineTerms();
    const CliResult r = runCli(QStringList{"price", "--accurate", "--greeks", "--json"} + engineTermArgs());
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = r.json();
    const nlohmann::json& g = j["greeks"];
    // Engine terms have no dates: the lookup is today, tau = T. The units are
    // converted as the design mode's (checked there); theta shows they are applied.
    const GreeksValuation a = engine.accurate_lookup(100, 1.0, false);
    ASSERT_TRUE(a.error.empty()) << a.error;
    EXPECT_EQ(g["price"].get<double>(), a.price);
    EXPECT_EQ(g["error_estimate"].get<double>(), a.error_estimate);
    EXPECT_EQ(g["gamma"].get<double>(), a.gamma);
    EXPECT_EQ(g["theta"].get<double>(), a.theta / 243);

    const CliResult table = runCli(QStringList{"price", "--accurate", "--greeks"} + engineTermArgs());
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_TRUE(contains(table.out, "\nerror estimate ")) << table.out;
    EXPECT_TRUE(contains(table.out, "\nlookup error estimate ")) << table.out;
}

TEST(CliAccurate, ScanSolveAndStressRunTheAccurateEngine)
{
    Snowball_PDE engine = accurateEngineTerms();

    const CliResult scan = runCli(QStringList{"scan", "--accurate", "--json", "--param", "3", "--from", "0.1", "--to",
                                              "0.3", "--step", "0.1"} +
                                  engineTermArgs());
    ASSERT_EQ(scan.status, 0) << scan.err;
    const nlohmann::json points = scan.json()["points"];
    ASSERT_EQ(points.size(), 3u);
    for (const auto& point : points) {
        engine.set_param(Param::Sigma, point["value"].get<double>());
        EXPECT_EQ(point["price"].get<double>(), engine.price());
        EXPECT_EQ(point["error_estimate"].get<double>(), engine.error_estimate);
    }
    EXPECT_TRUE(scan.json()["nearest"].contains("error_estimate"));
    engine.set_param(Param::Sigma, 0.25);

    // The solution prices to the target within the search's tolerance.
    const CliResult solve = runCli(QStringList{"solve", "--accurate", "--json", "--for", "coupon", "--target", "0",
                                               "--lo", "0.01", "--hi", "0.4"} +
                                   engineTermArgs());
    ASSERT_EQ(solve.status, 0) << solve.err;
    EXPECT_LT(std::fabs(solve.json()["price"].get<double>()), 0.05);
    EXPECT_GT(solve.json()["error_estimate"].get<double>(), 0.0);

    // Each volatility one accurate solve at the remaining time (days / 252).
    const CliResult stress = runCli(QStringList{"stress", "--accurate", "--json", "--prices", "90:110:10", "--vols",
                                                "0.25:0.25:0.1", "--days", "126"} +
                                    engineTermArgs());
    ASSERT_EQ(stress.status, 0) << stress.err;
    const AccurateSolution solution = engine.accurate_solution(126 / 252.0);
    ASSERT_TRUE(solution.ok()) << solution.error;
    const nlohmann::json tv = stress.json()["tv"];
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(tv[0][i].get<double>(), solution.value(90 + 10 * i, false)) << i;
}

// Requests the design mode prices, where the accurate mode's own limits do
// not bind: a stress axis above the design ceiling (no --smax blame, no
// ceiling warning) and the default scan range from volatility 0.
TEST(CliAccurate, StressAboveTheCeilingAndTheDefaultScanRange)
{
    const CliResult stress = runCli(QStringList{"stress", "--accurate", "--json", "--prices", "150:160:10", "--vols",
                                                "0.1:0.1:1"} +
                                    engineTermArgs());
    ASSERT_EQ(stress.status, 0) << stress.err;
    EXPECT_FALSE(contains(stress.err, "smax")) << stress.err;
    EXPECT_FALSE(contains(stress.err, "价格上限")) << stress.err;
    const nlohmann::json tv = stress.json()["tv"];
    ASSERT_EQ(tv.size(), 1u);
    for (const auto& cell : tv[0])
        EXPECT_TRUE(cell.is_number()) << stress.out;

    const CliResult scan = runCli(QStringList{"scan", "--accurate", "--json", "--param", "3"} + engineTermArgs());
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_GT(scan.json()["points"][0]["value"].get<double>(), 0.0) << scan.out;
}

TEST(CliAccurate, DesignModeOutputCarriesNoErrorEstimate)
{
    const QStringList runs[] = {
        {"price", "--json", "--greeks"},
        {"scan", "--json", "--param", "3", "--from", "0.2", "--to", "0.3", "--step", "0.1"},
        {"solve", "--json", "--for", "vol", "--target", "0", "--lo", "0.05", "--hi", "0.5"},
        {"stress", "--json", "--prices", "90:110:10", "--vols", "0.25:0.25:0.1"},
        {"price", "--greeks"},
    };
    for (const QStringList& args : runs) {
        const CliResult r = runCli(args + engineTermArgs());
        ASSERT_EQ(r.status, 0) << args.join(' ').toStdString() << r.err;
        EXPECT_FALSE(contains(r.out, "error_estimate")) << r.out;
        EXPECT_FALSE(contains(r.out, "error estimate")) << r.out;
        EXPECT_FALSE(contains(r.out, "accurate")) << r.out;
    }
}

