#include "CalendarTestSupport.h"

const std::string kBaseDay = "E BASE day exceeds calendar.\n";

class FourDates : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cal.load(testData("calendar_four_dates.csv")));
        log.take();
    }
    LogCapture log;
    Calendar cal{1};
};

TEST_F(FourDates, FindIsTradingDayAndCount)
{
    struct Row { int date, first, last; };
    const Row rows[] = {{X, 3, 2},        {D1, 0, 0},       {D2, 1, 1},      {D4, 3, 3},     {20240104, 2, 1},
                        {20231231, 0, -1}, {20240120, 4, 3}, {INT_MIN, 0, -1}, {INT_MAX, 4, 3}};
    for (const Row& r : rows) {
        EXPECT_EQ(cal.find(r.date), std::make_pair(r.first, r.last)) << r.date;
        EXPECT_EQ(cal.is_trading_day(r.date), r.first == r.last) << r.date;
    }
    EXPECT_EQ(log.take(), "");
    struct Span { int from, to, include_end, expected; };
    const Span spans[] = {{D1, D4, 1, 4}, {D1, D4, 0, 3}, {D1, X, 0, 3}, {X, D4, 1, 1},
                          {D4, D1, 0, -3}, {X, X, 0, 0},  {20200101, 20300101, 0, 4}};
    for (const Span& r : spans)
        EXPECT_EQ(cal.count_trading_days(r.from, r.to, r.include_end), r.expected) << r.from << ".." << r.to;
}

// Steps past either end give 0 silently; dates outside the span say so.
TEST_F(FourDates, TradingDayAfterAndRollForward)
{
    struct Row { int date, n, expected; std::string log; };
    const Row rows[] = {{D1, 2, D3, ""},      {X, 1, D4, ""},      {X, 0, D4, ""},        {D2, 0, D2, ""},
                        {X, -1, D3, ""},      {D3, -2, D1, ""},    {D4, 1, 0, ""},        {D1, -1, 0, ""},
                        {D1, 4, 0, ""},       {D1, INT_MAX, 0, ""}, {D4, INT_MIN, 0, ""}, {X, INT_MAX, 0, ""},
                        {20231231, 1, 0, kBaseDay}, {20240120, 1, 0, kBaseDay}, {0, 1, 0, kBaseDay}};
    for (const Row& r : rows)
        EXPECT_EQ(log.with(cal.trading_day_after(r.date, r.n)), std::make_pair(r.expected, r.log))
            << r.date << " + " << r.n;
    const Row rolls[] = {{X, 0, D4, ""},          {20240104, 0, D3, ""},      {D3, 0, D3, ""},
                         {20231231, 0, 0, kBaseDay}, {20240120, 0, 0, kBaseDay}};
    for (const Row& r : rolls)
        EXPECT_EQ(log.with(cal.roll_forward(r.date)), std::make_pair(r.expected, r.log)) << r.date;
}

TEST(CalendarFile, LoadLogsWhatItReadAndBadFilesKeepTheDates)
{
    LogCapture log;
    Calendar cal(3);
    const std::string path = testData("calendar_four_dates.csv");
    ASSERT_TRUE(cal.load(path));
    EXPECT_EQ(cal.dates(), (std::vector<int>{D1, D2, D3, D4}));
    EXPECT_EQ(log.take(), "T Calendar(3) is created.\nI Calendar: 4 items loaded from " + path + ".\n");
    // Upper-case "Date" has no type code; "dDate" is no i column.
    for (const char* name : {"missing.csv", "calendar_empty.csv", "calendar_no_type_code.csv",
                             "calendar_declaration_only.csv", "calendar_double_dates.csv", ""}) {
        const std::string bad = testData(name);
        EXPECT_EQ(log.with(cal.load(bad)), std::make_pair(false, "C CANT load Calendar from " + bad + ".\n"));
        EXPECT_EQ(cal.dates().size(), 4u) << name;
    }
}

TEST(CalendarFile, OneDateCalendar)
{
    Calendar cal(7);
    ASSERT_TRUE(cal.load(testData("calendar_four_dates.csv")));
    ASSERT_TRUE(cal.load(testData("calendar_one_date.csv")));  // replaces the four dates
    ASSERT_EQ(cal.dates(), std::vector<int>{D3});
    EXPECT_EQ(cal.roll_forward(D3), D3);
    EXPECT_EQ(cal.trading_day_after(D3, 1), 0);
    EXPECT_EQ(cal.roll_forward(20240104), 0);
    EXPECT_EQ(cal.count_trading_days(20240101, 20240201, 0), 1);
}

// The calendar the program ships and reads from its working directory.
TEST(ShippedCalendar, HolidaysTradingDayCountsAndOrder)
{
    Calendar cal(9);
    ASSERT_TRUE(cal.load(std::string(KELVARA_BIN_DIR) + "/trade_calendar.csv"));
    for (int d : {20241001, 20241002, 20241003, 20241004, 20241005, 20241006, 20241007, 20240209, 20240929})
        EXPECT_FALSE(cal.is_trading_day(d)) << d;  // 9 Feb: New Year's Eve; 29 Sep: a make-up working day
    EXPECT_TRUE(cal.is_trading_day(20240930));
    EXPECT_EQ(cal.count_trading_days(20240101, 20250101, 0), 242);
    EXPECT_EQ(cal.count_trading_days(20190101, 20200101, 0), 244);
    // The calendar trusts its file to hold ascending weekdays.
    const std::vector<int>& dates = cal.dates();
    EXPECT_EQ(dates.front(), 20050104);
    EXPECT_GE(dates.back(), 20351224);
    EXPECT_EQ(std::adjacent_find(dates.begin(), dates.end(), std::greater_equal<int>()), dates.end());
    EXPECT_TRUE(std::all_of(dates.begin(), dates.end(), [](int date) {
        const QDate d = QDate::fromString(QString::number(date), "yyyyMMdd");
        return d.isValid() && d.dayOfWeek() < 6;
    }));
}
