// Observation schedules on a calendar in which every day from 2022 to 2027
// trades, so that no date moves and the results can be worked out by hand;
// and the process-wide calendar, which no other test of this program uses.
#include "CalendarTestSupport.h"

namespace {

std::string everyDayText()
{
    std::string text = "iDate\n";
    for (QDate d(2022, 1, 1); d.year() < 2028; d = d.addDays(1))
        text += d.toString("yyyyMMdd").toStdString() + '\n';
    return text;
}

const Calendar& everyDay()
{
    static const Calendar calendar = [] {
        TempDir dir;
        Calendar c(2);
        EXPECT_TRUE(c.load(dir.write("every_day.csv", everyDayText())));
        EXPECT_EQ(c.dates().size(), 2191u);  // 6 years, 2024 a leap year
        return c;
    }();
    return calendar;
}

}  // namespace

TEST(TrdCalendar, ReadsTheWorkingDirectorysFileOnceOnFirstUse)
{
    TempDir dir;
    dir.write("trade_calendar.csv", everyDayText());
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path(""));
    EXPECT_EQ(trd_calendar().path(), "trade_calendar.csv");
    EXPECT_EQ(trd_calendar().dates().size(), 2191u);
    std::ofstream("trade_calendar.csv") << "iDate\n20250102\n";  // a changed file counts from the next start
    EXPECT_FALSE(trd_calendar_use_file("trade_calendar.csv"));
    EXPECT_EQ(trd_calendar().dates().front(), 20220101);
    std::filesystem::current_path(previous);
}

TEST(GenerateObserveDates, Schedules)
{
    struct Row { QDate start, expiry; int lock; const char* frequency; const char* expected; };
    const char* const monthly =
        "20240415_20240515_20240615_20240715_20240815_20240915_20241015_20241115_20241215_20250115";
    const QDate jan1(2024, 1, 1), feb1(2024, 2, 1), mar1(2024, 3, 1);
    const Row rows[] = {
        {{2024, 1, 15}, {2025, 1, 15}, 3, "月", monthly}, {{2024, 1, 15}, {2025, 1, 15}, 3, "1M", monthly},
        // From 31 Jan the day clamped to the month's end carries forward.
        {{2024, 1, 31}, {2024, 12, 31}, 1, "月", "20240229_20240329_20240429_20240529_20240629_20240729_"
                                                  "20240829_20240929_20241029_20241129_20241231"},
        {{2023, 1, 31}, {2023, 6, 30}, 0, "月", "20230228_20230328_20230428_20230528_20230630"},
        {{2024, 2, 29}, {2024, 5, 31}, 0, "月", "20240329_20240429_20240531"},
        {jan1, feb1, 0, "周", "20240108_20240115_20240122_20240201"},
        {jan1, feb1, 0, "1W", "20240108_20240115_20240122_20240201"},
        {jan1, mar1, 0, "双周", "20240115_20240129_20240212_20240301"},
        {jan1, mar1, 0, "2W", "20240115_20240129_20240212_20240301"},
        {{2024, 2, 22}, {2024, 3, 11}, 0, "周", "20240229_20240307_20240311"},
        // A candidate exactly the margin before the expiry is left out.
        {jan1, {2024, 3, 4}, 0, "双周", "20240115_20240129_20240212_20240304"},
        {{2024, 1, 15}, mar1, 0, "月", "20240301"},
        // Lock count 1 drops nothing; as many as there are candidates leaves the last.
        {jan1, feb1, 1, "周", "20240108_20240115_20240122_20240201"}, {jan1, feb1, 2, "周", "20240115_20240122_20240201"},
        {jan1, feb1, 3, "周", "20240122_20240201"},
        // No candidates: the expiry alone.
        {{2025, 1, 1}, jan1, 0, "月", "20240101"}, {jan1, jan1, 0, "周", "20240101"}, {jan1, feb1, 0, "季", "20240201"},
    };
    for (const Row& r : rows) {
        const GeneratedSchedule s = generateObserveDates(everyDay(), r.start, r.expiry, r.lock, QString::fromUtf8(r.frequency));
        EXPECT_EQ(std::make_pair(s.dates, s.error), std::make_pair(QString(r.expected), QString()))
            << r.frequency << " from " << dateToInt(r.start) << " lock " << r.lock;
    }
}

TEST(GenerateObserveDates, FailuresComeBackAsTexts)
{
    struct Row { QDate start, expiry; int lock; const char* frequency; QString text; };
    const QString lockError = QStringLiteral("锁定观察数量大于以观察频率取样的日期数量!");
    const QDate jan1(2024, 1, 1), feb1(2024, 2, 1);  // weekly: 3 candidates
    std::vector<Row> rows = {{jan1, feb1, 4, "周", lockError}, {jan1, feb1, INT_MAX, "周", lockError},
                             {jan1, feb1, -1, "周", lockError}, {jan1, feb1, INT_MIN, "周", lockError},
                             {QDate(2025, 1, 1), jan1, 1, "月", lockError},
                             {QDate(), feb1, 0, "月", "无起始日"}, {QDate(2024, 2, 30), feb1, 0, "月", "无起始日"},
                             {jan1, QDate(), 0, "月", "无到期日"}, {QDate(), QDate(), 0, "月", "无起始日"}};
    for (const char* other : {"", "week", "1w", "1m", "3M", "周 ", " 月", "季"})  // no candidates
        rows.push_back({jan1, feb1, 1, other, lockError});
    for (const Row& r : rows) {
        const GeneratedSchedule s = generateObserveDates(everyDay(), r.start, r.expiry, r.lock, QString::fromUtf8(r.frequency));
        EXPECT_EQ(std::make_pair(s.dates, s.error), std::make_pair(QString(), r.text))
            << r.frequency << " lock " << r.lock;
    }
    // Without a calendar no date can be placed (they would all read "0").
    const GeneratedSchedule none = generateObserveDates(Calendar(9), jan1, feb1, 0, "周");
    EXPECT_EQ(std::make_pair(none.dates, none.error),
              std::make_pair(QString(), QStringLiteral("无法加载交易日历(trade_calendar.csv)，无法预估观察日")));
}

// Every day of 2024 trades but the closed days given (yyyyMMdd, inclusive).
Calendar withClosedDays(int from, int to)
{
    TempDir dir;
    std::string text = "iDate\n";
    for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1))
        if (dateToInt(d) < from || dateToInt(d) > to)
            text += d.toString("yyyyMMdd").toStdString() + '\n';
    Calendar c(3);
    EXPECT_TRUE(c.load(dir.write("closed.csv", text)));
    return c;
}

TEST(GenerateObserveDates, DatesRollingOntoOneTradingDayBecomeOne)
{
    // The Spring Festival closure of 2024 (9 to 18 February): the weekly
    // candidates of the 9th and the 16th both roll to the 19th.
    const Calendar festival = withClosedDays(20240209, 20240218);
    const GeneratedSchedule s = generateObserveDates(festival, QDate(2024, 1, 26), QDate(2024, 3, 29), 0, "周");
    ASSERT_TRUE(s.ok()) << s.error.toStdString();
    EXPECT_EQ(s.dates, "20240202_20240219_20240223_20240301_20240308_20240315_20240322_20240329");
    ASSERT_EQ(s.merged.size(), 1u);
    EXPECT_EQ(s.merged[0].dates, QStringList({"20240209", "20240216"}));
    EXPECT_EQ(s.merged[0].tradingDay, "20240219");
    EXPECT_EQ(s.unmergedCount, 9);
    EXPECT_EQ(s.dropped, std::vector<int>{2});
    EXPECT_EQ(mergeNotice(s), "观察日20240209、20240216顺延后同为交易日20240219，已合并为一个观察日，"
                              "沿用20240209的敲出价格、敲出票息和敲入价格");
    // A list written for the nine dates keeps the first of the merged pair's
    // values; single values and lists of another length stay as they are.
    EXPECT_EQ(keepFirstOfMerged("100_99_98_97_96_95_94_93_92", s), "100_99_97_96_95_94_93_92");
    EXPECT_EQ(keepFirstOfMerged("103", s), "103");
    EXPECT_EQ(keepFirstOfMerged("1_2_3_4_5_6_7_8", s), "1_2_3_4_5_6_7_8");

    // A candidate that rolls onto the expiry is the expiry's observation.
    const Calendar closed = withClosedDays(20240325, 20240328);
    const GeneratedSchedule end = generateObserveDates(closed, QDate(2024, 3, 4), QDate(2024, 3, 29), 0, "周");
    EXPECT_EQ(end.dates, "20240311_20240318_20240329");
    ASSERT_EQ(end.merged.size(), 1u);
    EXPECT_EQ(end.merged[0].dates, QStringList({"20240325", "20240329"}));
    EXPECT_EQ(keepFirstOfMerged("101_102_103_104", end), "101_102_103");
    // Nothing merges on a calendar where every candidate trades.
    const GeneratedSchedule plain = generateObserveDates(everyDay(), QDate(2024, 1, 26), QDate(2024, 3, 29), 0, "周");
    EXPECT_TRUE(plain.merged.empty() && plain.dropped.empty());
    EXPECT_TRUE(mergeNotice(plain).isEmpty());
}

TEST(StepValues, EachValueFromTheStartInShortestForm)
{
    EXPECT_EQ(stepValues(100, -0.4, 12), "100_99.6_99.2_98.8_98.4_98_97.6_97.2_96.8_96.4_96_95.6");
    EXPECT_EQ(stepValues(0.00001, 0, 2), "1e-05_1e-05");
    EXPECT_EQ(stepValues(1e6, 1, 2), "1e+06_1e+06");
    EXPECT_EQ(stepValues(999999, 0, 1), "999999");
    EXPECT_EQ(stepValues(3.14159265, 0, 1), "3.14159");
    EXPECT_TRUE(stepValues(80, -1, 0).isEmpty() && stepValues(80, -1, -5).isEmpty());
}

TEST(SpreadValues, OneValueForAllElseWarnOnCountMismatchAndFillWhatFits)
{
    const QStringList twelve = QString("100_99.6_99.2_98.8_98.4_98_97.6_97.2_96.8_96.4_96_95.6").split('_');
    struct Row { QString text; int rows; bool single; QStringList values; QString warning; };
    const Row rows[] = {{"_103__", 12, true, {"103"}, ""},
                        {twelve.mid(0, 11).join('_'), 12, false, twelve.mid(0, 11), "数量小于观察日数量!"},
                        {twelve.join('_') + "_95.2", 12, false, twelve, "数量大于观察日数量!"},
                        {twelve.join('_'), 12, false, twelve, ""},
                        {"", 12, false, {}, "数量小于观察日数量!"},
                        {"1_2", 0, false, {}, "数量大于观察日数量!"}};
    for (const Row& r : rows) {
        const ValueSpread s = spreadValues(r.text, r.rows, "敲出价格");
        EXPECT_EQ(std::make_pair(s.single, s.values), std::make_pair(r.single, r.values)) << r.text.toStdString();
        EXPECT_EQ(s.warning, r.warning.isEmpty() ? QString() : "敲出价格" + r.warning);
    }
}
