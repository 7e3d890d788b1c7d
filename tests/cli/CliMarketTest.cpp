// Market files through kelvara-cli: every command that prices takes them in
// the accurate mode (mc: --reference) and says which model and files it
// used, one-point curves give the flat fields' numbers, they are refused
// without the accurate mode, and the surface command's JSON and grid output.
#include "CliEngineTerms.h"
#include "CliRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct MarketFiles
{
    QTemporaryDir dir;
    QString rates, grid, surface;

    MarketFiles()
    {
        // The one-point rate curve is --rate 2 of the engine terms.
        rates = dir.filePath("rates.csv");
        writeFile(rates, "# zero rates\npoint,rate_pct\n0.5,2\n");
        grid = dir.filePath("lv.csv");
        writeFile(grid, "point,80,100,120\r\n0.5,32,25,21\r\n1.0,30,24,20\r\n");
        // A mild skew, total variance rising with the expiry: free of arbitrage.
        surface = dir.filePath("quotes.csv");
        QByteArray q = "expiry,strike,vol_pct\n";
        for (const char* T : {"0.25", "0.5", "1.0", "1.5"})
            for (int K = 70; K <= 130; K += 5) {
                const double k = std::log(K / 100.0);
                q += QByteArray(T) + "," + QByteArray::number(K) + "," +
                     QByteArray::number(100.0 * (0.22 - 0.1 * k + 0.15 * k * k), 'g', 10) + "\n";
            }
        writeFile(surface, q);
    }
};

QStringList terms() { return engineTermArgs(); }

}  // namespace

// Each command with a local volatility grid: "model" and "market_files" in
// its JSON; without the accurate mode (mc: --reference) a refusal that
// names the option and what it needs.
TEST(CliMarket, EveryPricingCommandTakesTheFilesAndNamesThem)
{
    const MarketFiles f;
    const struct
    {
        QStringList args;
        const char* needs;
    } commands[] = {
        {{"price"}, "--accurate"},
        {{"solve", "--for", "coupon", "--target", "0"}, "--accurate"},
        {{"scan", "--param", "2", "--from", "0.1", "--to", "0.2", "--step", "0.1"}, "--accurate"},
        {{"stress", "--prices", "90:110:20", "--vols", "0:0.01:0.01", "--days", "100"}, "--accurate"},
        {{"profile"}, "--accurate"},
        {{"mc", "--paths", "2000"}, "--reference"},
    };
    for (const auto& c : commands) {
        const QStringList market{"--local-vol", f.grid, "--json"};
        const bool mc = c.args.front() == "mc";
        const CliResult ok = runCli(c.args + QStringList{mc ? "--reference" : "--accurate"} + market + terms());
        ASSERT_EQ(ok.status, 0) << c.args.join(" ").toStdString() << ": " << ok.err;
        const nlohmann::json j = ok.json();
        EXPECT_EQ(j["model"], "local volatility") << c.args.front().toStdString();
        EXPECT_EQ(j["market_files"]["local_vol"], f.grid.toStdString());
        const CliResult refused = runCli(c.args + market + terms());
        EXPECT_EQ(refused.status, 1) << c.args.front().toStdString();
        EXPECT_TRUE(contains(refused.err, std::string("--local-vol needs ") + c.needs)) << refused.err;
    }
}

TEST(CliMarket, OnePointRatesAreTheFlatRateAndEachFileIsRefusedWithoutTheAccurateMode)
{
    const MarketFiles f;
    const CliResult flat = runCli(QStringList{"price", "--accurate", "--json"} + terms());
    const CliResult curve = runCli(QStringList{"price", "--accurate", "--json", "--rate-curve", f.rates} + terms());
    ASSERT_EQ(curve.status, 0) << curve.err;
    EXPECT_EQ(curve.json()["price"].get<double>(), flat.json()["price"].get<double>());
    EXPECT_EQ(curve.json()["model"], "flat");
    EXPECT_FALSE(flat.json().contains("model"));  // without files the output is as it was

    for (const char* option : {"--rate-curve", "--dividend-curve", "--futures", "--vol-curve", "--local-vol",
                               "--vol-surface"}) {
        const CliResult r = runCli(QStringList{"price", option, f.rates} + terms());
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_TRUE(contains(r.err, std::string(option) + " needs --accurate")) << r.err;
    }
    // A bad file: its name, the line and what is wrong, nothing priced.
    const QString bad = f.dir.filePath("bad.csv");
    writeFile(bad, "point,rate_pct\n0.5,2\n0.25,3\n");
    const CliResult r = runCli(QStringList{"price", "--accurate", "--rate-curve", bad} + terms());
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, bad.toStdString() + " line 3")) << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST(CliMarket, BatchPricesEveryRecordInTheSameMarket)
{
    // Batch takes the files with --accurate and refuses them without.
    const MarketFiles f;
    const QString book = f.dir.filePath("none.csv");
    const CliResult r = runCli({"batch", book, "--local-vol", f.grid});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "--local-vol needs --accurate")) << r.err;
}

TEST(CliSurface, JsonRepricesEveryQuote)
{
    const MarketFiles f;
    const CliResult r = runCli({"surface", "--vol-surface", f.surface, "--spot", "100", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = r.json();
    ASSERT_EQ(j["quotes"].size(), 52u);
    double largest = 0.0;
    for (const nlohmann::json& q : j["quotes"]) {
        const double error = q["error_bp"].get<double>();
        EXPECT_NEAR(error, 100.0 * (q["repriced_vol"].get<double>() - q["market_vol"].get<double>()), 1e-9);
        EXPECT_LT(std::fabs(error), 10.0) << q.dump();
        largest = std::max(largest, std::fabs(error));
    }
    EXPECT_EQ(j["max_error_bp"].get<double>(), largest);
    EXPECT_GT(j["quotes"][0]["market_vol"].get<double>(), 20.0);  // in percent

    const CliResult table = runCli({"surface", "--vol-surface", f.surface});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_TRUE(contains(table.out, "repriced%")) << table.out;
}

// With market files scan's default volatility range is the shift's, around
// 0 (the level range from 0 would add up to 100 points).
TEST(CliMarket, ScanDefaultsToShiftsAroundZero)
{
    const MarketFiles f;
    const CliResult r =
        runCli(QStringList{"scan", "--accurate", "--json", "--param", "3", "--rate-curve", f.rates} + terms());
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json points = r.json()["points"];
    ASSERT_EQ(points.size(), 11u) << r.out;
    EXPECT_DOUBLE_EQ(points[0]["value"].get<double>(), -0.05);
    EXPECT_NEAR(points[10]["value"].get<double>(), 0.05, 1e-12);
}

TEST(CliSurface, PricesFromTheSurfaceAndFromItsWrittenGridAgree)
{
    const MarketFiles f;
    const QString out = f.dir.filePath("fitted.csv");
    const CliResult written = runCli({"surface", "--vol-surface", f.surface, "--local-vol-out", out});
    ASSERT_EQ(written.status, 0) << written.err;
    const CliResult surface = runCli(QStringList{"price", "--accurate", "--json", "--vol-surface", f.surface} + terms());
    const CliResult grid = runCli(QStringList{"price", "--accurate", "--json", "--local-vol", out} + terms());
    ASSERT_EQ(surface.status, 0) << surface.err;
    ASSERT_EQ(grid.status, 0) << grid.err;
    EXPECT_EQ(surface.json()["model"], "local volatility (surface)");
    EXPECT_TRUE(surface.json().contains("max_repricing_error_bp"));
    EXPECT_EQ(grid.json()["model"], "local volatility");
    EXPECT_NEAR(surface.json()["price"].get<double>(), grid.json()["price"].get<double>(), 0.005);
}

TEST(CliSurface, ARefusalNamesTheFilesLine)
{
    // Each reason is the file reader's or the fit's (checked there); here the
    // fit's quote numbers come out as the file's lines.
    const MarketFiles f;
    const QString path = f.dir.filePath("q.csv");
    ASSERT_TRUE(writeFile(path, "expiry,strike,vol_pct\n0.5,90,20\n0.5,95,20\n0.5,100,20\n0.5,105,20\n0.5,110,20\n"
                                "0.5,95,21\n"));
    const CliResult r = runCli({"surface", "--vol-surface", path});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(contains(r.err, "line 7: expiry 0.5 and strike 95 are quoted already")) << r.err;
    EXPECT_TRUE(r.oneErrorLine()) << r.err;
}
