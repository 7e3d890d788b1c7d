// Schedules, structure files, stress tables and grid files through kelvara-cli.
#include "CliRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kDates =
    QStringLiteral("20240415_20240515_20240615_20240715_20240815_20240915_20241015_20241115_20241215_20250115");

// One line as the window's save writes it.
std::string record(int no, long long enquiry, double ko, double vol, const QString& observe)
{
    return QString::asprintf(
               "%d,%lld,,,AC,510050,1000000.000000,100.000000,%f,80.000000,16.000000,16.000000,"
               "0.000000,0.000000,0.000000,0.000000,0,20240115,20250115,%f,",
               no, enquiry, ko, vol)
               .toStdString() +
           observe.toStdString();
}

bool writeFile(const QString& path, const std::string& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(content.data(), static_cast<qint64>(content.size())) == static_cast<qint64>(content.size());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

}  // namespace

TEST(CliSchedule, ReproducesTheGeneratorOnAnEveryDayCalendar)
{
    const EveryDayCalendar cal;
    struct Case
    {
        QStringList args;
        const char* expected;
    };
    const Case cases[] = {
        {{"--start", "20240115", "--expiry", "20250115", "--freq", "月", "--lock", "3"},
         "20240415_20240515_20240615_20240715_20240815_20240915_20241015_20241115_20241215_20250115"},
        // The clamped 29th carries forward; 20241229 is within 15 days of the expiry.
        {{"--start", "20240131", "--expiry", "20241231", "--freq", "1M", "--lock", "1"},
         "20240229_20240329_20240429_20240529_20240629_20240729_20240829_20240929_20241029_20241129_20241231"},
        {{"--start", "20240101", "--expiry", "20240201", "--freq", "周", "--lock", "0"},
         "20240108_20240115_20240122_20240201"},
        {{"--start", "2024-01-01", "--expiry", "2024-03-01", "--freq", "双周", "--lock", "0"},
         "20240115_20240129_20240212_20240301"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(QStringList{"schedule", "--calendar", cal.path()} + c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string(c.expected) + "\n") << c.args.join(' ').toStdString();
    }
}

TEST(CliSchedule, DatesAreRolledOntoTradingDaysFirst)
{
    // The shipped calendar: Saturday 2024-06-15 and Sunday 2025-01-12 move to the Monday after.
    const CliResult r = runCli({"schedule", "--json", "--start", "20240615", "--expiry", "20250112", "--lock", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = r.json();
    EXPECT_EQ(j["start"], "20240617");
    EXPECT_EQ(j["expiry"], "20250113");
    const std::string dates = j["dates"].get<std::string>();
    EXPECT_EQ(dates.substr(dates.size() - 8), "20250113");
    EXPECT_EQ(j["count"].get<int>(), std::count(dates.begin(), dates.end(), '_') + 1);
}

TEST(CliBatch, RepeatedHeadersAreSkippedAndEachRecordPricesAsItsStructure)
{
    const EveryDayCalendar cal;
    const QString book = cal.dir() + "/book.csv";
    const std::string header = std::string(kRecordHeader) + "\n";
    ASSERT_TRUE(writeFile(
        book, header + record(1, 1001, 103, 18, kDates) + "\n" + header + record(2, 1002, 105, 25, kDates) + "\n"));

    const CliResult batch = runCli({"batch", book, "--calendar", cal.path()});
    ASSERT_EQ(batch.status, 0) << batch.err;
    const std::vector<std::string> out = lines(batch.out);
    ASSERT_EQ(out.size(), 3u) << batch.out;
    EXPECT_EQ(out[0], "NO,EnquiryID,price");

    const QStringList common{"price", "--json", "--calendar", cal.path(), "--start", "20240115", "--dates", kDates};
    const CliResult first = runCli(common);
    const CliResult second = runCli(common + QStringList{"--ko", "105", "--vol", "25"});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    const auto asText = [](double v) { return QString::number(v, 'g', 17).toStdString(); };
    EXPECT_EQ(out[1], "1,1001," + asText(first.json()["price"].get<double>()));
    EXPECT_EQ(out[2], "2,1002," + asText(second.json()["price"].get<double>()));

    const CliResult json =
        runCli({"batch", book, "--calendar", cal.path(), "--json", "--greeks", "--lookup-date", "20240115"});
    ASSERT_EQ(json.status, 0) << json.err;
    const std::vector<std::string> objects = lines(json.out);
    ASSERT_EQ(objects.size(), 2u);
    const nlohmann::json j = nlohmann::json::parse(objects[1]);
    EXPECT_EQ(j["record"], 2);
    EXPECT_EQ(j["EnquiryID"], 1002);
    EXPECT_EQ(j["price"].get<double>(), second.json()["price"].get<double>());
    EXPECT_TRUE(j.contains("vega"));
}

TEST(CliBatch, AFailingRecordIsReportedByNumberAndTheRunGoesOn)
{
    const EveryDayCalendar cal;
    const QString book = cal.dir() + "/book.csv";
    const std::string header = std::string(kRecordHeader) + "\n";
    // Record 2's first observation date is not after its start.
    ASSERT_TRUE(writeFile(book, header + record(1, 1, 103, 18, kDates) + "\n" + header +
                                    record(2, 2, 103, 18, "20240115_" + kDates) + "\n" + header +
                                    record(3, 3, 103, 18, kDates) + "\n"));
    const CliResult r = runCli({"batch", book, "--calendar", cal.path()});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 3u) << r.out;
    EXPECT_EQ(out[1].rfind("1,1,", 0), 0u);
    EXPECT_EQ(out[2].rfind("3,3,", 0), 0u);
    EXPECT_NE(r.err.find("error: record 2 (line 4): 观察日参数错误: 首次敲出观察日小于起始日"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("1 of 3 records failed"), std::string::npos) << r.err;
}

TEST(CliBatch, AFileThatIsNoStructureFileIsRefused)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath("calendar.csv");
    ASSERT_TRUE(writeFile(path, "iDate\n20240102\n"));
    const CliResult r = runCli({"batch", path});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("not a structure file"), std::string::npos) << r.err;

    ASSERT_TRUE(writeFile(path, std::string(kRecordHeader) + "\n"));
    EXPECT_EQ(runCli({"batch", path}).status, 2);  // no records
}

TEST(CliStress, WritesTheStressDataFile)
{
    const QTemporaryDir dir;
    const QString file = dir.filePath("stress.csv");
    const CliResult text = runCli({"stress", "--out", file});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(text.out.empty());
    const std::string data = readFile(file).toStdString();

    const std::vector<std::string> l = lines(data);
    ASSERT_EQ(l.size(), 3u * 14u);  // name, header, 10 volatilities, two empty lines
    const char* names[] = {"Delta", "Gamma", "TV"};
    for (int b = 0; b < 3; ++b) {
        const std::size_t at = static_cast<std::size_t>(b) * 14;
        EXPECT_EQ(l[at], names[b]);
        EXPECT_EQ(l[at + 1], "情景,70,80,90,100,110,120,130");
        EXPECT_EQ(l[at + 2].rfind("5%,", 0), 0u) << l[at + 2];
        EXPECT_EQ(l[at + 4].rfind("15%,", 0), 0u) << l[at + 4];
        EXPECT_EQ(l[at + 11].rfind("50%,", 0), 0u) << l[at + 11];
        EXPECT_EQ(std::count(l[at + 2].begin(), l[at + 2].end(), ','), 7);
        EXPECT_TRUE(l[at + 12].empty() && l[at + 13].empty());
    }

    // A refused structure leaves the earlier file as it was.
    const CliResult refused = runCli({"stress", "--out", file, "--M", "0"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(readFile(file).toStdString(), data);

    // The same values as the JSON result, with three decimals.
    const CliResult json = runCli({"stress", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const double tv = json.json()["tv"][3][3].get<double>();  // 20%, price 100
    const std::string row = l[28 + 2 + 3];
    EXPECT_EQ(row.substr(0, 4), "20%,");
    std::vector<std::string> cells;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        const std::size_t comma = row.find(',', pos);
        cells.push_back(row.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
        pos = comma == std::string::npos ? comma : comma + 1;
    }
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[4], QString::number(tv, 'f', 3).toStdString());
}

TEST(CliGrid, AppendsWholeBlocksAndLeavesTheFileAloneOnFailure)
{
    const QTemporaryDir dir;
    const QString file = dir.filePath("grids.txt");
    ASSERT_TRUE(writeFile(file, "kept\n"));
    const QStringList small{"--M", "20", "--N", "30"};

    CliResult r = runCli(QStringList{"grid", "--out", file} + small);
    ASSERT_EQ(r.status, 0) << r.err;
    r = runCli(QStringList{"grid", "--out", file} + small);
    ASSERT_EQ(r.status, 0) << r.err;
    const QByteArray grids = readFile(file);
    EXPECT_TRUE(grids.startsWith("kept\nMATRIX:Price\n"));
    EXPECT_EQ(grids.count("MATRIX:Price\n"), 2);
    EXPECT_EQ(grids.count("MATRIX:Price_KI\n"), 2);
    // 21 price rows of 31 cells each, "%.4f, " per cell.
    const QList<QByteArray> rows = grids.split('\n');
    EXPECT_EQ(rows[2].count(", "), 31);

    // The JSON grids hold the same values at full precision.
    const CliResult json = runCli(QStringList{"grid", "--json"} + small);
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json price = json.json()["Price"];
    ASSERT_EQ(price.size(), 21u);
    ASSERT_EQ(price[1].size(), 31u);
    EXPECT_EQ(rows[3].left(rows[3].indexOf(',')).toStdString(),  // node 1 after "kept" and the name
              QString::asprintf("%.4f", price[1][0].get<double>()).toStdString());

    const CliResult refused = runCli({"grid", "--out", file, "--M", "0"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(readFile(file), grids);

    const CliResult nowhere = runCli({"grid", "--out", dir.filePath("missing/grids.txt")});
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_TRUE(nowhere.oneErrorLine()) << nowhere.err;
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/grids.txt")));
}

TEST(CliCalendar, WorkingDirectoryFileFirstThenTheShippedCopy)
{
    // 2024-06-15 is a Saturday: the shipped calendar moves it, an every-day calendar does not.
    const QStringList args{"schedule", "--json", "--start", "20240615", "--expiry", "20250115", "--lock", "1"};

    const QTemporaryDir empty;
    const CliResult shipped = runCli(args, empty.path());
    ASSERT_EQ(shipped.status, 0) << shipped.err;
    EXPECT_EQ(shipped.json()["start"], "20240617");

    const EveryDayCalendar cal;
    ASSERT_TRUE(QFile::copy(cal.path(), cal.dir() + "/trade_calendar.csv"));
    const CliResult local = runCli(args, cal.dir());
    ASSERT_EQ(local.status, 0) << local.err;
    EXPECT_EQ(local.json()["start"], "20240615");

    // --calendar wins over both.
    const CliResult named = runCli(args + QStringList{"--calendar", cal.path()}, empty.path());
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(named.json()["start"], "20240615");
}
