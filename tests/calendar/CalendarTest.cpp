#include "Calendar.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <QDate>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The four-date calendar D1 < D2 < D3 < D4 and a date X with D3 < X < D4.
const int D1 = 20240102;
const int D2 = 20240103;
const int D3 = 20240105;
const int D4 = 20240119;
const int X = 20240108;

std::string testData(const char* name)
{
    return std::string(KELVARA_TEST_DATA_DIR) + "/" + name;
}

class FourDates : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(cal.load(testData("calendar_four_dates.csv"))); }
    LogCapture log;
    Calendar cal{1};
};

TEST_F(FourDates, FindGivesTheNeighbouringIndices)
{
    EXPECT_EQ(cal.find(X), std::make_pair(3, 2));
    EXPECT_EQ(cal.find(D1), std::make_pair(0, 0));
    EXPECT_EQ(cal.find(D2), std::make_pair(1, 1));
    EXPECT_EQ(cal.find(D4), std::make_pair(3, 3));
    EXPECT_EQ(cal.find(20240104), std::make_pair(2, 1));
    EXPECT_EQ(cal.find(20231231), std::make_pair(0, -1));
    EXPECT_EQ(cal.find(20240120), std::make_pair(4, 3));
    EXPECT_EQ(cal.find(INT_MIN), std::make_pair(0, -1));
    EXPECT_EQ(cal.find(INT_MAX), std::make_pair(4, 3));
}

TEST_F(FourDates, TradingDaysAndRolling)
{
    EXPECT_TRUE(cal.is_trading_day(D1));
    EXPECT_TRUE(cal.is_trading_day(D4));
    EXPECT_FALSE(cal.is_trading_day(X));
    EXPECT_FALSE(cal.is_trading_day(20231231));
    EXPECT_FALSE(cal.is_trading_day(20240120));

    EXPECT_EQ(cal.roll_forward(X), D4);
    EXPECT_EQ(cal.roll_forward(20240104), D3);
    EXPECT_EQ(cal.roll_forward(D3), D3);

    EXPECT_EQ(cal.trading_day_after(D1, 2), D3);
    EXPECT_EQ(cal.trading_day_after(X, 1), D4);
    EXPECT_EQ(cal.trading_day_after(X, 0), D4);
    EXPECT_EQ(cal.trading_day_after(D2, 0), D2);
    // Backwards: the trading day before X is D3.
    EXPECT_EQ(cal.trading_day_after(X, -1), D3);
    EXPECT_EQ(cal.trading_day_after(D3, -2), D1);
    EXPECT_EQ(log.text().find("BASE day"), std::string::npos) << log.text();
}

TEST_F(FourDates, StepsPastEitherEndGiveZeroWithoutMessage)
{
    log.clear();
    EXPECT_EQ(cal.trading_day_after(D4, 1), 0);
    EXPECT_EQ(cal.trading_day_after(D1, -1), 0);
    EXPECT_EQ(cal.trading_day_after(D1, 4), 0);
    EXPECT_EQ(cal.trading_day_after(D1, INT_MAX), 0);
    EXPECT_EQ(cal.trading_day_after(D4, INT_MIN), 0);
    EXPECT_EQ(cal.trading_day_after(X, INT_MAX), 0);
    EXPECT_EQ(log.text(), "");
}

TEST_F(FourDates, DatesOutsideTheCalendarAreReported)
{
    log.clear();
    EXPECT_EQ(cal.roll_forward(20231231), 0);
    EXPECT_EQ(log.text(), "E BASE day exceeds calendar.\n");
    log.clear();
    EXPECT_EQ(cal.roll_forward(20240120), 0);
    EXPECT_EQ(cal.trading_day_after(0, 1), 0);
    EXPECT_EQ(log.text(), "E BASE day exceeds calendar.\nE BASE day exceeds calendar.\n");
}

TEST_F(FourDates, CountsTradingDaysAndYearFractions)
{
    EXPECT_EQ(cal.count_trading_days(D1, D4, 1), 4);
    EXPECT_EQ(cal.count_trading_days(D1, D4, 0), 3);
    EXPECT_EQ(cal.count_trading_days(D1, X, 0), 3);
    EXPECT_EQ(cal.count_trading_days(X, D4, 1), 1);
    EXPECT_EQ(cal.count_trading_days(D4, D1, 0), -3);
    EXPECT_EQ(cal.count_trading_days(20200101, 20300101, 0), 4);
    EXPECT_EQ(cal.count_trading_days(X, X, 0), 0);
}

TEST(CalendarFile, LoadLogsWhatItRead)
{
    LogCapture log;
    Calendar cal(3);
    const std::string path = testData("calendar_four_dates.csv");
    ASSERT_TRUE(cal.load(path));
    EXPECT_EQ(cal.dates(), (std::vector<int>{D1, D2, D3, D4}));
    EXPECT_EQ(cal.path(), path);
    EXPECT_EQ(log.text(), "T Calendar(3) is created.\nI Calendar: 4 items loaded from " + path + ".\n");
}

TEST(CalendarFile, BadFilesLoadNothingAndSaySo)
{
    LogCapture log;
    for (const char* name : {"missing.csv", "calendar_empty.csv", "calendar_no_type_code.csv",
                             "calendar_declaration_only.csv", "calendar_double_dates.csv", ""}) {
        Calendar cal(4);
        log.clear();
        const std::string path = testData(name);
        EXPECT_FALSE(cal.load(path)) << name;
        EXPECT_TRUE(cal.empty()) << name;
        EXPECT_EQ(log.text(), "C CANT load Calendar from " + path + ".\n") << name;
    }
}

TEST(CalendarFile, FailedLoadKeepsTheDatesItHad)
{
    LogCapture log;
    Calendar cal(5);
    ASSERT_TRUE(cal.load(testData("calendar_four_dates.csv")));
    EXPECT_FALSE(cal.load(testData("calendar_empty.csv")));
    EXPECT_EQ(cal.dates().size(), 4u);
}

TEST(CalendarFile, EmptyCalendarRefusesEveryQueryAtItsLevel)
{
    LogCapture log;
    const Calendar cal(6);
    log.clear();
    EXPECT_FALSE(cal.is_trading_day(D1));
    EXPECT_EQ(log.text(), "C trd_calendar is NOT initialized.\n");
    log.clear();
    EXPECT_EQ(cal.trading_day_after(D1, 1), 0);
    EXPECT_EQ(log.text(), "E trd_calendar is NOT initialized.\n");
    log.clear();
    EXPECT_EQ(cal.roll_forward(D1), 0);
    EXPECT_EQ(log.text(), "C trd_calendar is NOT initialized.\nE trd_calendar is NOT initialized.\n");
    log.clear();
    EXPECT_EQ(cal.count_trading_days(D1, D4, 1), -1);
    EXPECT_EQ(cal.find(D1), std::make_pair(0, -1));
    EXPECT_EQ(log.text(), "");
}

TEST(CalendarFile, OneDateCalendar)
{
    LogCapture log;
    Calendar cal(7);
    ASSERT_TRUE(cal.load(testData("calendar_one_date.csv")));
    ASSERT_EQ(cal.dates(), std::vector<int>{20240105});
    EXPECT_TRUE(cal.is_trading_day(20240105));
    EXPECT_EQ(cal.roll_forward(20240105), 20240105);
    EXPECT_EQ(cal.trading_day_after(20240105, 1), 0);
    EXPECT_EQ(cal.roll_forward(20240104), 0);
    EXPECT_EQ(cal.count_trading_days(20240101, 20240201, 0), 1);
    EXPECT_EQ(cal.count_trading_days(20240105, 20240105, 1), 1);
}

TEST(CalendarFile, CommentsBlankLinesAndCrLfInTheFile)
{
    LogCapture log;
    const auto path = std::filesystem::temp_directory_path() /
                      ("kelvara_calendar_crlf_" + std::to_string(::getpid()) + ".csv");
    std::ofstream(path, std::ios::binary) << "iDate,5Note\r\n# comment\r\n20240102,a\r\n\r\n20240103\r\n \r\n";
    Calendar cal(8);
    EXPECT_TRUE(cal.load(path.string()));
    EXPECT_EQ(cal.dates(), (std::vector<int>{20240102, 20240103}));
    std::filesystem::remove(path);
}

// ------------------------------------------------------------ shipped data
// The calendar the program ships and reads from its working directory.

class ShippedCalendar : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        cal = new Calendar(9);
        loaded = cal->load(std::string(KELVARA_BIN_DIR) + "/trade_calendar.csv");
    }
    static void TearDownTestSuite()
    {
        delete cal;
        cal = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(loaded); }

    static int tradingDaysIn(int year)
    {
        return cal->count_trading_days(year * 10000 + 101, (year + 1) * 10000 + 101, 0);
    }

    static Calendar* cal;
    static bool loaded;
};

Calendar* ShippedCalendar::cal = nullptr;
bool ShippedCalendar::loaded = false;

TEST_F(ShippedCalendar, HolidaysUsersKnowAreClosed)
{
    for (int d = 20241001; d <= 20241007; ++d)
        EXPECT_FALSE(cal->is_trading_day(d)) << d;
    EXPECT_TRUE(cal->is_trading_day(20240930));
    EXPECT_TRUE(cal->is_trading_day(20241008));
    // New Year's Eve 2024 was a working day, but the exchanges were closed.
    EXPECT_FALSE(cal->is_trading_day(20240209));
    EXPECT_TRUE(cal->is_trading_day(20240208));
    EXPECT_EQ(cal->roll_forward(20240209), 20240219);
    // Weekend make-up working days are no trading days.
    EXPECT_FALSE(cal->is_trading_day(20240204));
    EXPECT_FALSE(cal->is_trading_day(20240929));
    EXPECT_FALSE(cal->is_trading_day(20241012));
    // New Year's Day, Labour Day, Dragon Boat.
    EXPECT_FALSE(cal->is_trading_day(20240101));
    EXPECT_FALSE(cal->is_trading_day(20240501));
    EXPECT_FALSE(cal->is_trading_day(20240610));
    EXPECT_TRUE(cal->is_trading_day(20240102));
}

TEST_F(ShippedCalendar, TradingDayCountsOfPastYears)
{
    EXPECT_EQ(tradingDaysIn(2019), 244);
    EXPECT_EQ(tradingDaysIn(2023), 242);
    EXPECT_EQ(tradingDaysIn(2024), 242);
}

TEST_F(ShippedCalendar, CoversItsSpanWithWeekdaysInOrder)
{
    const std::vector<int>& dates = cal->dates();
    ASSERT_FALSE(dates.empty());
    EXPECT_EQ(dates.front(), 20050104);  // 1-3 January 2005 was the New Year holiday
    EXPECT_GE(dates.back(), 20351224);
    EXPECT_LE(dates.back(), 20351231);
    for (std::size_t k = 0; k < dates.size(); ++k) {
        const QDate d = QDate::fromString(QString::number(dates[k]), "yyyyMMdd");
        ASSERT_TRUE(d.isValid()) << dates[k];
        ASSERT_LT(d.dayOfWeek(), 6) << dates[k] << " is a weekend day";
        if (k > 0) {
            ASSERT_LT(dates[k - 1], dates[k]) << "not ascending at " << dates[k];
        }
    }
    // Every year, estimated ones included, has a plausible number of trading days.
    for (int year = 2005; year <= 2035; ++year) {
        EXPECT_GE(tradingDaysIn(year), 235) << year;
        EXPECT_LE(tradingDaysIn(year), 250) << year;
    }
}

}  // namespace
