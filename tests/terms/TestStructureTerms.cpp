// Field texts -> engine terms, the two checks, the structure record and the
// platform path mapping. Trading-day cases run on a small calendar written
// here, so the year fractions can be counted by hand.
#include "Calendar.h"
#include "PlatformPath.h"
#include "StructureFileLines.h"
#include "StructureRecord.h"
#include "StructureTerms.h"
#include "TermTable.h"
#include "WeekdayCalendar.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <cstring>

namespace {

// Trading days: Mondays to Fridays of January 2025, nothing else.
class SmallCalendar : public ::testing::Environment
{
public:
    void SetUp() override { ASSERT_TRUE(loadWeekdays(calendar, dir, "cal.csv", QDate(2025, 1, 2), QDate(2025, 1, 31))); }
    QTemporaryDir dir;
    Calendar calendar{1};
};

SmallCalendar* const kEnvironment =
    static_cast<SmallCalendar*>(::testing::AddGlobalTestEnvironment(new SmallCalendar));
const Calendar& cal() { return kEnvironment->calendar; }

// Eleven trading days, two observations.
StructureTexts defaults()
{
    return {"100", "200", "18", "1.5", "2.5", "11", "200", "10", "243", DayMode::Trading, "103", "16", "80", "16",
            "0", "0", "0", "20250110_20250117", "20250102", "20250117"};
}

TEST(FieldParsing, NumbersValueListsAndMaturity)
{
    EXPECT_EQ(fieldNumber(" 12.5 "), 12.5);
    EXPECT_EQ(fieldNumber("abc"), 0.0);
    EXPECT_EQ(fieldNumber(""), 0.0);
    EXPECT_TRUE(std::isnan(fieldNumber("nan")));
    EXPECT_EQ(fieldInt("200"), 200);
    EXPECT_EQ(fieldInt("2.5"), 0);

    EXPECT_EQ(valueList("103"), std::vector<double>({103}));
    EXPECT_EQ(valueList("103_102_101"), std::vector<double>({103, 102, 101}));
    EXPECT_EQ(valueList("103__101"), std::vector<double>({103, 0, 101}));
    EXPECT_EQ(valueList(""), std::vector<double>({0}));

    EXPECT_DOUBLE_EQ(maturityYears(244, DayMode::Trading, 243), 1.0);
    EXPECT_DOUBLE_EQ(maturityYears(244, DayMode::Calendar, 243), 244.0 / 365.0);
}

TEST(StructureTermsConversion, ListsDatesBeforeStartAndCalendarDays)
{
    StructureTexts t = defaults();
    t.startDate = "20250106";
    t.observeDates = "20250103_20250110__20250117_";  // first date before the start
    t.ko = "103_102_101";                            // longer than the dates: kept as typed
    t.coupon = "20_10";
    t.floor = "70";
    t.strike = "105";
    t.participation = "0.5";
    StructureTerms terms = structureTerms(t, cal());
    const SnowballContract& c = terms.contract;
    EXPECT_EQ(c.obs_times, std::vector<double>({4.0 / 243, 9.0 / 243}));  // trading mode drops the earlier date
    EXPECT_EQ(c.ko_barrier, std::vector<double>({103, 102, 101}));
    EXPECT_EQ(c.ko_coupon, std::vector<double>({0.2, 0.1}));
    // The participation is a ratio, not a percentage.
    EXPECT_EQ(std::vector<double>({c.floor_price, c.call_strike, c.call_participation}), std::vector<double>({70, 105, 0.5}));

    t.dayMode = DayMode::Calendar;
    t.T = "244";
    terms = structureTerms(t, cal());
    ASSERT_EQ(terms.contract.obs_times.size(), 3u);  // calendar mode keeps it, negative
    EXPECT_DOUBLE_EQ(terms.contract.obs_times[0], -3.0 / 365);
    EXPECT_DOUBLE_EQ(terms.contract.obs_times[1], 4.0 / 365);
    EXPECT_DOUBLE_EQ(terms.contract.obs_times[2], 11.0 / 365);
    EXPECT_DOUBLE_EQ(terms.params.T, 244.0 / 365);
}

TEST(ValidateObserveDates, EveryCheckInOrder)
{
    QString error;
    StructureTexts t = defaults();
    EXPECT_TRUE(validateObserveDates(t, error));

    const struct { const char* start; const char* expiry; const char* dates; const char* message; } cases[] = {
        {"", "20250117", "20250110_20250117", "无起始日"},
        {"20250102", "x", "20250110_20250117", "无到期日"},
        {"20250102", "20250117", "  ", "无敲出观察日"},
        {"20250102", "20250117", "__", "敲出观察日数量小于1"},
        {"20250102", "20250117", "20250102_20250117", "首次敲出观察日小于起始日"},
        {"20250102", "20250117", "20250110_20250116", "最后敲出观察日与到期日不符"},
        {"20250102", "20250117", "20250113_20250110_20250117", "敲出观察日未按顺序递增"},
    };
    for (const auto& c : cases) {
        t.startDate = QString::fromUtf8(c.start);
        t.expiryDate = QString::fromUtf8(c.expiry);
        t.observeDates = QString::fromUtf8(c.dates);
        error.clear();
        EXPECT_FALSE(validateObserveDates(t, error)) << c.message;
        EXPECT_EQ(error, QString::fromUtf8(c.message));
    }
    t.observeDates = "20250110_20250110_20250117";  // equal neighbours pass
    EXPECT_TRUE(validateObserveDates(t, error));
}

TEST(ValidateStructure, LevelsInOrder)
{
    QString error;
    StructureTexts t = defaults();
    EXPECT_TRUE(validateStructure(t, false, error));

    auto fails = [&](const char* S, const char* ki, const char* ko, bool spotOnly) {
        t.S = S;
        t.ki = ki;
        t.ko = ko;
        error.clear();
        const bool ok = validateStructure(t, spotOnly, error);
        return ok ? QString() : error;
    };
    EXPECT_EQ(fails("nan", "80", "103", true), QString("无效的标的价格"));
    EXPECT_EQ(fails("100", "nan", "nan", true), QString());      // spot only
    EXPECT_EQ(fails("", "80", "103", true), QString());          // empty spot reads as 0
    EXPECT_EQ(fails("100", "nan", "103", false), QString("无效的敲入参数"));
    EXPECT_EQ(fails("100", "100", "103", false), QString("敲入价格应小于标的价格"));
    EXPECT_EQ(fails("", "0", "103", false), QString("敲入价格应小于标的价格"));
    EXPECT_EQ(fails("100", "80_75", "103", false), QString());   // list reads as 0
    EXPECT_EQ(fails("100", "80", "nan", false), QString("无效的敲出参数"));
    EXPECT_EQ(fails("100", "80", "99_120", false), QString("敲出价格应大于标的价格"));
    EXPECT_EQ(fails("100", "80", "103_102", false), QString());
    EXPECT_EQ(fails("100", "80", "100", false), QString());      // equal passes
}

TEST(StructureRecord, LayoutAndAppend)
{
    StructureRecordFields f{100, 103, 80, 16, 16, 0, 0, 20250102, 20250117, 18, "20250110_20250117"};

    const std::vector<unsigned char> record = structureRecord(f);
    ASSERT_EQ(record.size(), 696u);
    double openPrice = 0;
    std::memcpy(&openPrice, record.data() + 88, sizeof openPrice);
    EXPECT_EQ(openPrice, 100);
    int dateEnd = 0;
    std::memcpy(&dateEnd, record.data() + 168, sizeof dateEnd);
    EXPECT_EQ(dateEnd, 20250117);
    EXPECT_STREQ(reinterpret_cast<const char*>(record.data() + 56), "AC");
    EXPECT_STREQ(reinterpret_cast<const char*>(record.data() + 184), "20250110_20250117");

    QTemporaryDir dir;
    const QString path = dir.filePath("autocall.csv");
    ASSERT_TRUE(appendStructureRecord(path, f));
    ASSERT_TRUE(appendStructureRecord(path, f));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QString(kStructureRecordHeader));
    EXPECT_EQ(lines[2], lines[0]);
    EXPECT_EQ(lines[1],
              "0,0,,,AC,510050,1000000.000000,100.000000,103.000000,80.000000,16.000000,16.000000,"
              "0.000000,0.000000,0.000000,0.000000,0,20250102,20250117,18.000000,20250110_20250117");
    EXPECT_EQ(lines[3], lines[1]);

    // A schedule that does not fit the column is refused, nothing written.
    f.observe = QString(512, '1');
    const QString other = dir.filePath("other.csv");
    EXPECT_FALSE(appendStructureRecord(other, f));
    EXPECT_FALSE(QFile::exists(other));
    f.observe = QString(511, '1');
    EXPECT_TRUE(appendStructureRecord(other, f));
}

TEST(PlatformPath, DriveLetterPathsMapToTheirLastName)
{
    EXPECT_EQ(platformPathIn("e://autocall.csv", "/home/u/Documents"), QString("/home/u/Documents/autocall.csv"));
    EXPECT_EQ(platformPathIn("e:\\data", "/home/u/Documents"), QString("/home/u/Documents/data"));
    EXPECT_EQ(platformPathIn("f:/AutoCall01.csv", "/home/u"), QString("/home/u/AutoCall01.csv"));
#ifndef Q_OS_WIN
    const QString mapped = platformPath("e://autocall.csv");
    EXPECT_TRUE(QDir::isAbsolutePath(mapped));
    EXPECT_TRUE(mapped.endsWith("/autocall.csv"));
    EXPECT_TRUE(QDir(mapped.section('/', 0, -2)).exists());
#else
    EXPECT_EQ(platformPath("e://autocall.csv"), QString("e://autocall.csv"));
#endif
}

}  // namespace

TEST(StructureFileLines, ByteOrderMarkAndEveryCarriageReturnBeforeTheLineEndAreDropped)
{
    const std::string declaration = "iNO,dKnockOut";
    // Line ends as Windows writes them, and once more converted (CR CR LF);
    // comments, blank lines and repeated declarations are skipped.
    std::istringstream in("\xEF\xBB\xBF" + declaration + "\r\n1,103\r\n\r\n# note\r\n" + declaration +
                          "\r\r\n2,104\r\r\n");
    const StructureFileLines file = read_structure_lines(in, "book.csv", declaration);
    ASSERT_TRUE(file.ok) << file.problem;
    ASSERT_EQ(file.lines.size(), 2u);
    EXPECT_EQ(file.lines[0].text, "1,103");
    EXPECT_EQ(file.lines[0].lineNumber, 2);
    EXPECT_EQ(file.lines[1].text, "2,104");
    EXPECT_EQ(file.lines[1].lineNumber, 6);
    std::istringstream other("iNO\n1\n");
    EXPECT_EQ(read_structure_lines(other, "other.csv", declaration).problem,
              "other.csv is not a structure file (its first line is not the record declaration)");
}

// The window's words for every rule: each code has its own text, the count
// rules name the counts, and a request built from the window's default
// texts breaks no rule.
TEST(RefusalText, EveryRuleInTheWindowsWords)
{
    EXPECT_TRUE(refusalText(Refusal()).isEmpty());
    QStringList seen;
    for (int code = static_cast<int>(RefusalCode::Spot); code <= static_cast<int>(RefusalCode::MarketShift); ++code) {
        const QString text = refusalText(Refusal{static_cast<RefusalCode>(code), "reason", 3, 12});
        EXPECT_FALSE(text.isEmpty()) << code;
        seen << text;
    }
    EXPECT_EQ(refusalText(Refusal{RefusalCode::KoCouponCount, "", 3, 12}),
              QStringLiteral("敲出票息(%)的个数(3)与敲出观察日的个数(12)不符"));
    EXPECT_EQ(refusalText(Refusal{RefusalCode::GridTop, "", 0, 0}), QStringLiteral("价格上限应大于标的价格"));
    EXPECT_EQ(refusalText(Refusal{RefusalCode::PriceSteps, "", 0, 0}), QStringLiteral("M应不小于3"));
    // Only the two observation rules share a text (the window names both "超出到期期限").
    seen.removeDuplicates();
    EXPECT_EQ(seen.size(), static_cast<int>(RefusalCode::MarketShift) - static_cast<int>(RefusalCode::Spot));
}
