// Schedules, structure files, stress tables and grid files through kelvara-cli.
#include "CliRun.h"

#include <QFile>
#include <QRegExp>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kDates =
    QStringLiteral("20240415_20240515_20240615_20240715_20240815_20240915_20241015_20241115_20241215_20250115");

const char* const kHeader =
    "iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
    "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
    "dVolatility,9Observe\n";

struct Record
{
    double ko, vol;
    QString observe;
};

// A structure file as the window's save writes it: the declaration before
// each record, records numbered from 1, enquiry IDs from 1001.
QByteArray book(const std::vector<Record>& records)
{
    QByteArray out;
    for (std::size_t i = 0; i < records.size(); ++i)
        out += (kHeader +
                QString::asprintf("%d,%d,,,AC,510050,1000000.000000,100.000000,%f,80.000000,16.000000,16.000000,"
                                  "0.000000,0.000000,0.000000,0.000000,0,20240115,20250115,%f,",
                                  int(i + 1), int(i + 1001), records[i].ko, records[i].vol) +
                records[i].observe + "\n")
                   .toUtf8();
    return out;
}

// The lines of text, without the empty one after the last line break.
QStringList lines(const std::string& text)
{
    QStringList out = QString::fromStdString(text).split('\n');
    if (out.last().isEmpty())
        out.removeLast();
    return out;
}

}  // namespace

TEST(CliTables, NoNegativeZeroAndErrorEstimatesInFixedDecimals)
{
    // The stress tables hold Gamma and Delta values just below zero.
    const QStringList day{"--today", "20240115"};
    const CliResult json = runCli(QStringList{"stress", "--json"} + day);
    const CliResult table = runCli(QStringList{"stress"} + day);
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(table.status, 0) << table.err;
    int tinyNegatives = 0;
    const nlohmann::json tables = json.json();
    for (const char* name : {"tv", "delta", "gamma"})
        for (const auto& row : tables[name])
            for (const auto& v : row)
                tinyNegatives += v.get<double>() < 0 && v.get<double>() > -0.0005;
    EXPECT_GT(tinyNegatives, 0);
    for (const QString& cell : QString::fromStdString(table.out).split(QRegExp("[,\n]")))
        EXPECT_NE(cell, "-0.000");

    // Error estimates in the probabilities' decimals, never in exponent form.
    const CliResult profile = runCli(QStringList{"profile", "--accurate"} + day);
    ASSERT_EQ(profile.status, 0) << profile.err;
    const QStringList rows = QString::fromStdString(profile.out).split('\n');
    ASSERT_GE(rows.size(), 3);
    EXPECT_TRUE(rows[0].simplified().endsWith("error estimate"));
    for (int i = 1; i < rows.size() && !rows[i].isEmpty(); ++i) {
        const QString estimate = rows[i].simplified().section(' ', -1);
        EXPECT_TRUE(QRegExp("0\\.\\d{4}").exactMatch(estimate)) << rows[i].toStdString();
        EXPECT_NE(estimate, "0.0000") << rows[i].toStdString();  // a bound above 0 is rounded up
    }
    EXPECT_EQ(profile.out.find("e-"), std::string::npos) << profile.out;
}

TEST(CliSchedule, ReproducesTheGeneratorOnAnEveryDayCalendar)
{
    // The generator's schedules are its own test's; here the options reach it
    // (a frequency by code and by name, both date forms, the lock).
    const QTemporaryDir dir;
    const QString cal = everyDayCalendar(dir);
    const std::pair<QStringList, QString> cases[] = {
        {{"--start", "20240131", "--expiry", "20241231", "--freq", "1M", "--lock", "1"},
         "20240229_20240329_20240429_20240529_20240629_20240729_20240829_20240929_20241029_20241129_20241231"},
        {{"--start", "2024-01-01", "--expiry", "2024-03-01", "--freq", "双周", "--lock", "0"},
         "20240115_20240129_20240212_20240301"},
    };
    for (const auto& [args, expected] : cases) {
        const CliResult r = runCli(QStringList{"schedule", "--calendar", cal} + args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected.toStdString() + "\n") << args.join(' ').toStdString();
    }
}

TEST(CliSchedule, DatesRollingOntoOneTradingDayAreMergedAndPrice)
{
    // Weekly across the Spring Festival of 2024 on the shipped calendar: the
    // 9th and the 16th of February both roll to the 19th.
    const QStringList weekly{"--start", "20240126", "--expiry", "20240329", "--freq", "周", "--lock", "0"};
    const std::string merged = "20240202_20240219_20240223_20240301_20240308_20240315_20240322_20240329";
    const std::string warning = "warning: observation dates 20240209, 20240216 roll onto the same trading day "
                                "20240219 and are merged into one observation there";
    const CliResult r = runCli(QStringList{"schedule", "--json"} + weekly);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json()["merged"][0]["trading_day"], "20240219");
    EXPECT_EQ(r.err.rfind(warning, 0), 0u) << r.err;

    // The pricer takes it; a list written for the nine dates keeps the 9th's value.
    const CliResult price =
        runCli(QStringList{"price", "--json", "--ko", "109_108_107_106_105_104_103_102_101"} + weekly);
    ASSERT_EQ(price.status, 0) << price.err;
    EXPECT_EQ(price.json()["structure"]["dates"], merged);
    EXPECT_EQ(price.json()["structure"]["ko_barrier"], nlohmann::json({109, 108, 106, 105, 104, 103, 102, 101}));
    EXPECT_EQ(price.err.rfind(warning, 0), 0u) << price.err;
}

TEST(CliSchedule, CalendarIsTheNamedOneThenTheWorkingDirectorysThenTheShippedCopy)
{
    // Saturday 2024-06-15 and Sunday 2025-01-12: the shipped calendar moves them
    // to the Monday after, an every-day calendar does not.
    const QStringList args{"schedule", "--json", "--start", "20240615", "--expiry", "20250112", "--lock", "1"};
    const QTemporaryDir empty, dir;
    const CliResult shipped = runCli(args, empty.path());
    ASSERT_EQ(shipped.status, 0) << shipped.err;
    const nlohmann::json j = shipped.json();
    EXPECT_EQ(j["start"], "20240617");
    EXPECT_EQ(j["expiry"], "20250113");
    EXPECT_EQ(j["dates"].get<std::string>().substr(j["dates"].get<std::string>().size() - 8), "20250113");

    const QString cal = everyDayCalendar(dir);
    ASSERT_TRUE(QFile::copy(cal, dir.filePath("trade_calendar.csv")));
    const CliResult local = runCli(args, dir.path());
    const CliResult named = runCli(args + QStringList{"--calendar", cal}, empty.path());
    ASSERT_EQ(local.status, 0) << local.err;
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(local.json()["start"], "20240615");
    EXPECT_EQ(named.json()["start"], "20240615");
}

TEST(CliBatch, RepeatedHeadersAreSkippedAndEachRecordPricesAsItsStructure)
{
    const QTemporaryDir dir;
    const QString cal = everyDayCalendar(dir), path = dir.filePath("book.csv");
    ASSERT_TRUE(writeFile(path, book({{103, 18, kDates}, {105, 25, kDates}})));

    const CliResult batch = runCli({"batch", path, "--calendar", cal});
    ASSERT_EQ(batch.status, 0) << batch.err;
    const QStringList common{"price", "--json", "--calendar", cal, "--start", "20240115", "--dates", kDates};
    const CliResult first = runCli(common);
    const CliResult second = runCli(common + QStringList{"--ko", "105", "--vol", "25"});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    const auto asText = [](const CliResult& r) { return QString::number(r.json()["price"].get<double>(), 'g', 17); };
    EXPECT_EQ(lines(batch.out), QStringList({"NO,EnquiryID,price", "1,1001," + asText(first),
                                             "2,1002," + asText(second)}));

    const CliResult json = runCli({"batch", path, "--calendar", cal, "--json", "--greeks", "--lookup-date", "20240115"});
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(lines(json.out).size(), 2);
    const nlohmann::json j = nlohmann::json::parse(lines(json.out)[1].toStdString());
    EXPECT_EQ(j["record"], 2);
    EXPECT_EQ(j["EnquiryID"], 1002);
    EXPECT_EQ(j["price"].get<double>(), second.json()["price"].get<double>());
    EXPECT_TRUE(j.contains("vega"));

    // A failing record is reported by number and line, and the run goes on.
    ASSERT_TRUE(writeFile(path, book({{103, 18, kDates}, {103, 18, "20240115_" + kDates}, {103, 18, kDates}})));
    const CliResult failing = runCli({"batch", path, "--calendar", cal});
    EXPECT_EQ(failing.status, 1);
    const QStringList out = lines(failing.out);
    ASSERT_EQ(out.size(), 3) << failing.out;
    EXPECT_TRUE(out[1].startsWith("1,1001,") && out[2].startsWith("3,1003,")) << failing.out;
    EXPECT_NE(failing.err.find("error: record 2 (line 4): 观察日参数错误: 首次敲出观察日小于起始日"),
              std::string::npos) << failing.err;
    EXPECT_NE(failing.err.find("1 of 3 records failed"), std::string::npos) << failing.err;
    ASSERT_TRUE(writeFile(path, kHeader));
    EXPECT_EQ(runCli({"batch", path, "--calendar", cal}).status, 2);  // no records
}

TEST(CliBatch, AccurateModeGivesEachRecordsAccuratePriceAndItsErrorEstimate)
{
    const QTemporaryDir dir;
    const QString cal = everyDayCalendar(dir), path = dir.filePath("book.csv");
    ASSERT_TRUE(writeFile(path, book({{103, 18, kDates}, {105, 25, kDates}})));
    const QStringList common{"price", "--accurate", "--json", "--calendar", cal, "--start", "20240115", "--dates",
                             kDates};
    const CliResult first = runCli(common);
    const CliResult second = runCli(common + QStringList{"--ko", "105", "--vol", "25"});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    const auto asText = [](const CliResult& r, const char* key) {
        return QString::number(r.json()[key].get<double>(), 'g', 17);
    };

    const CliResult batch = runCli({"batch", path, "--calendar", cal, "--accurate"});
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(lines(batch.out),
              QStringList({"NO,EnquiryID,price,error_estimate",
                           "1,1001," + asText(first, "price") + "," + asText(first, "error_estimate"),
                           "2,1002," + asText(second, "price") + "," + asText(second, "error_estimate")}));

    // The design mode's book has neither.
    const CliResult design = runCli({"batch", path, "--calendar", cal, "--json"});
    ASSERT_EQ(design.status, 0) << design.err;
    EXPECT_EQ(design.out.find("error_estimate"), std::string::npos) << design.out;
    EXPECT_EQ(design.out.find("accurate"), std::string::npos) << design.out;
}

TEST(CliStress, WritesTheStressDataFileWholeOrNotAtAll)
{
    const QTemporaryDir dir;
    const QString file = dir.filePath("stress.csv");
    const CliResult text = runCli({"stress", "--out", file});
    const CliResult json = runCli({"stress", "--json"});
    ASSERT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(text.out.empty());
    const QByteArray data = readFile(file);

    // Per table (Delta, Gamma, TV): name, header, 10 volatilities, two empty lines. The
    // same values as the JSON result, with three decimals: TV at 20%, price 100.
    const QStringList l = lines(data.toStdString());
    ASSERT_EQ(l.size(), 3 * 14);
    EXPECT_EQ(l[28], "TV");
    const QStringList tv20 = l[28 + 2 + 3].split(',');
    ASSERT_EQ(tv20.size(), 8);
    EXPECT_EQ(tv20[0], "20%");
    EXPECT_EQ(tv20[4], QString::number(json.json()["tv"][3][3].get<double>(), 'f', 3));

    // A refused structure leaves the earlier file as it was.
    EXPECT_EQ(runCli({"stress", "--out", file, "--M", "0"}).status, 1);
    EXPECT_EQ(readFile(file), data);
}

TEST(CliGrid, AppendsWholeBlocksAndLeavesTheFileAloneOnFailure)
{
    const QTemporaryDir dir;
    const QString file = dir.filePath("grids.txt");
    ASSERT_TRUE(writeFile(file, "kept\n"));
    const QStringList small{"--M", "20", "--N", "30"};
    for (int run = 0; run < 2; ++run) {
        const CliResult r = runCli(QStringList{"grid", "--out", file} + small);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const QByteArray grids = readFile(file);
    EXPECT_TRUE(grids.startsWith("kept\nMATRIX:Price\n"));
    EXPECT_EQ(grids.count("MATRIX:Price\n"), 2);
    EXPECT_EQ(grids.count("MATRIX:Price_KI\n"), 2);
    // 21 price rows of 31 cells each, "%.4f, " per cell, the same values as the JSON grids.
    const QList<QByteArray> rows = grids.split('\n');
    EXPECT_EQ(rows[2].count(", "), 31);
    const CliResult json = runCli(QStringList{"grid", "--json"} + small);
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json price = json.json()["Price"];
    ASSERT_EQ(price.size(), 21u);
    ASSERT_EQ(price[1].size(), 31u);
    EXPECT_EQ(rows[3].left(rows[3].indexOf(',')), QString::asprintf("%.4f", price[1][0].get<double>()).toLatin1());

    EXPECT_EQ(runCli({"grid", "--out", file, "--M", "0"}).status, 1);
    EXPECT_EQ(readFile(file), grids);
    const CliResult nowhere = runCli({"grid", "--out", dir.filePath("missing/grids.txt")});
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_TRUE(nowhere.oneErrorLine()) << nowhere.err;
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/grids.txt")));
}
