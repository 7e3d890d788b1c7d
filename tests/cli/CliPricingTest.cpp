// kelvara-cli prices through the window's conversion must equal the engine
// fed with the same terms by hand, to the last bit.
#include "CliEngineTerms.h"
#include "CliRun.h"

#include "Calendar.h"
#include "Snowball_PDE.h"

#include <QDate>
#include <QRegExp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

int toInt(const QDate& d) { return d.year() * 10000 + d.month() * 100 + d.day(); }
QDate toDate(int yyyymmdd) { return QDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100); }

}  // namespace

TEST(CliPrice, WindowDefaultsEqualTheEnginesPriceOfTheSameTerms)
{
    // The window's defaults: today to a year ahead on the shipped calendar,
    // monthly, lock 3, N = trading days - 1, Smax = 2 x spot.
    Calendar cal(1);
    ASSERT_TRUE(cal.load("trade_calendar.csv"));
    const QDate today = QDate::currentDate();
    const CliResult r = runCli({"price", "--json"});
    if (QDate::currentDate() != today)
        GTEST_SKIP() << "the date changed during the run";
    ASSERT_EQ(r.status, 0) << r.err;

    const int start = cal.roll_forward(toInt(today));
    const int expiry = cal.roll_forward(toInt(today.addYears(1)));
    ASSERT_TRUE(start > 0 && expiry > 0);
    std::vector<int> dates;
    // Candidates monthly, the first two locked, none within 15 days of the expiry.
    for (QDate c = toDate(start).addMonths(1).addMonths(1).addMonths(1); c.addDays(15) < toDate(expiry);
         c = c.addMonths(1))
        dates.push_back(cal.roll_forward(toInt(c)));
    dates.push_back(expiry);
    QStringList dateTexts;
    std::vector<double> obs;
    for (int d : dates) {
        dateTexts << QString::number(d);
        obs.push_back((cal.find(d).first - cal.find(start).first) / 243.0);
    }
    const int days = cal.find(expiry).first - cal.find(start).first + 1;

    const std::size_t n = obs.size();
    SnowballContract c;
    c.obs_times = obs, c.ko_barrier.assign(n, 103), c.ko_coupon.assign(n, 0.16), c.ki_barrier.assign(n, 80);
    c.div_coupon = 0.16;
    Snowball_PDE engine;
    engine.set_structure(c, PDEParams{100, 200, 0.18, 0.015, 0, (days - 1) / 243.0, 200, days - 1});
    const double expected = engine.price();
    ASSERT_FALSE(std::isnan(expected));

    const nlohmann::json j = r.json();
    EXPECT_EQ(j["price"].get<double>(), expected);
    EXPECT_EQ(j["structure"]["dates"].get<std::string>(), dateTexts.join('_').toStdString());
    EXPECT_EQ(j["structure"]["N"].get<int>(), days - 1);
    EXPECT_EQ(j["structure"]["trading_days"].get<int>(), days);
}

TEST(CliPrice, EngineTermsEqualTheEngineAndJsonRoundTrips)
{
    const CliResult r = runCli(QStringList{"price", "--json", "--greeks"} + engineTermArgs());
    ASSERT_EQ(r.status, 0) << r.err;

    Snowball_PDE engine;
    engine.set_structure(engineTermsContract(), engineTermsParams());
    const double price = engine.price();
    ASSERT_TRUE(engine.calculate());
    ASSERT_TRUE(engine.create_Greeks());

    // One object on one line; reading it back and writing it again changes nothing.
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
    const nlohmann::json j = r.json();
    EXPECT_EQ(nlohmann::json::parse(j.dump()), j);
    // Without dates the lookup reads today's column: tau = T. The window's
    // units: Theta per trading day, Vega and Rho per point.
    const nlohmann::json& g = j["greeks"];
    EXPECT_EQ(j["price"].get<double>(), price);
    EXPECT_EQ(g["price"].get<double>(), engine.lookup_price(100, 1.0, false));
    EXPECT_EQ(g["delta"].get<double>(), engine.lookup_delta(100, 1.0, false));
    EXPECT_EQ(g["gamma"].get<double>(), engine.lookup_gamma(100, 1.0, false));
    EXPECT_EQ(g["theta"].get<double>(), engine.lookup_theta(100, 1.0, false) / 243);
    EXPECT_EQ(g["vega"].get<double>(), engine.lookup_vega(100, 1.0, false) * 0.01);
    EXPECT_EQ(g["rho"].get<double>(), engine.lookup_rho(100, 1.0, false) * 0.01);

    const CliResult knocked =
        runCli(QStringList{"price", "--json", "--greeks", "--knocked-in", "--lookup-spot", "70"} + engineTermArgs());
    ASSERT_EQ(knocked.status, 0) << knocked.err;
    EXPECT_EQ(knocked.json()["greeks"]["price"].get<double>(), engine.lookup_price(70, 1.0, true));

    // The table shows the same numbers.
    const CliResult table = runCli(QStringList{"price", "--greeks", "--digits", "6"} + engineTermArgs());
    ASSERT_EQ(table.status, 0) << table.err;
    for (const char* name : {"delta", "gamma"}) {
        const std::string shown = QString::number(g[name].get<double>(), 'f', 6).toStdString();
        EXPECT_NE(table.out.find(std::string(name) + " "), std::string::npos) << table.out;
        EXPECT_NE(table.out.find(shown + "\n"), std::string::npos) << name << " " << shown << "\n" << table.out;
    }
}

TEST(CliScan, EachPointIsThePriceOfThatTerm)
{
    const CliResult scan = runCli({"scan", "--param", "0", "--json"});
    const CliResult single = runCli({"price", "--json", "--ko", "105"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    ASSERT_EQ(single.status, 0) << single.err;
    const nlohmann::json points = scan.json()["points"];
    ASSERT_EQ(points.size(), 3u);  // the panel's 100, 105, 110
    EXPECT_EQ(points[1]["value"].get<double>(), 105);
    EXPECT_EQ(points[1]["price"].get<double>(), single.json()["price"].get<double>());
    // The nearest point is the one closest to the target (the spot, 100).
    const auto distance = [](const nlohmann::json& p) { return std::fabs(p["price"].get<double>() - 100); };
    const auto nearest = std::min_element(points.begin(), points.end(),
                                          [&](const auto& a, const auto& b) { return distance(a) < distance(b); });
    EXPECT_EQ(scan.json()["nearest"]["value"], (*nearest)["value"]);
}

TEST(CliTable, DigitsZeroSolveAndColumnsAlignedUnderChineseLabels)
{
    // --digits 0: whole numbers.
    const CliResult whole = runCli({"price", "--digits", "0", "--today", "20240115"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_TRUE(QRegExp("price +\\d+\n").exactMatch(QString::fromStdString(whole.out))) << whole.out;

    // The solve shows the volatility in percent with one decimal, as the
    // window's field does, in a table whose values end in one column: a
    // Chinese character takes two.
    const CliResult json = runCli({"solve", "--for", "vol", "--lo", "0.05", "--hi", "0.5", "--json"});
    const CliResult table = runCli({"solve", "--for", "vol", "--lo", "0.05", "--hi", "0.5"});
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(table.status, 0) << table.err;
    // The solved volatility prices to the target (100) within the search's tolerance.
    const double vol = json.json()["value"].get<double>();
    ASSERT_TRUE(vol > 0.05 && vol < 0.5) << vol;
    const CliResult check = runCli({"price", "--json", "--vol", QString::number(vol * 100, 'g', 17)});
    ASSERT_EQ(check.status, 0) << check.err;
    EXPECT_LT(std::fabs(check.json()["price"].get<double>() - 100), 0.05);
    const QString percent = QString::number(vol * 100, 'f', 1);
    EXPECT_EQ(json.json()["percent"], percent.toStdString());
    const QStringList lines = QString::fromStdString(table.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[2].startsWith("波动率(%) ") && lines[2].endsWith(" " + percent)) << table.out;
    const auto columns = [](const QString& line) {
        int width = 0;
        for (const uint c : line.toUcs4())
            width += c >= 0x4E00 && c <= 0x9FFF ? 2 : 1;
        return width;
    };
    for (const QString& line : lines)
        EXPECT_EQ(columns(line), columns(lines[0])) << table.out;
}

TEST(CliMc, CloseToThePde)
{
    // The first run's draws are the process-wide stream's (reproducible: the engine's test).
    const CliResult a = runCli({"mc", "--json", "--paths", "20000"});
    const CliResult pde = runCli({"price", "--json"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(pde.status, 0) << pde.err;
    // Percent of a notional of 100: the same scale as the PDE price here.
    EXPECT_NEAR(a.json()["price"].get<double>(), pde.json()["price"].get<double>(), 1.5);
}
