// Trading-day arithmetic on the four-date calendar, and on none.
#include "CalendarTestSupport.h"

namespace {

const Calendar& fourDates()
{
    static const Calendar calendar = [] {
        Calendar c(1);
        EXPECT_TRUE(c.load(testData("calendar_four_dates.csv")));
        return c;
    }();
    return calendar;
}

}  // namespace

TEST(CalendarFunctions, YearFractionAndObservationTimesCountTradingDays)
{
    EXPECT_DOUBLE_EQ(year_fraction(fourDates(), D1, D4, 244), 3.0 / 244);
    EXPECT_DOUBLE_EQ(year_fraction(fourDates(), D4, D1, 244), -3.0 / 244);
    EXPECT_DOUBLE_EQ(year_fraction(fourDates(), D1, X, 250), 3.0 / 250);
    std::vector<double> t{0.5};  // appended to, not replaced; empty parts dropped
    ASSERT_TRUE(observation_times(fourDates(), "20240103__20240119_", "20240102", t, true, 244));
    EXPECT_EQ(t, (std::vector<double>{0.5, 1.0 / 244, 3.0 / 244}));
    t.clear();  // a date before the start is dropped, the start itself is 0
    ASSERT_TRUE(observation_times(fourDates(), "20240101_20240103_20240105", "20240103", t, true, 244));
    EXPECT_EQ(t, (std::vector<double>{0.0, 1.0 / 244}));
}

TEST(CalendarFunctions, DateToIntAndRollForwardDateOfInvalidOrOutsideDates)
{
    EXPECT_EQ(dateToInt(QDate(2024, 2, 29)), 20240229);
    EXPECT_EQ(rollForwardDate(fourDates(), QDate(2024, 1, 8)), QDate(2024, 1, 19));
    EXPECT_EQ(rollForwardDate(fourDates(), QDate(2024, 1, 3)), QDate(2024, 1, 3));
    for (const QDate& d : {QDate(), QDate(2023, 2, 29), QDate(2024, 13, 1), QDate(10000, 1, 1), QDate(-5, 1, 1)})
        EXPECT_EQ(dateToInt(d), 0) << d.toString().toStdString();
    for (const QDate& d : {QDate(), QDate(2024, 2, 30), QDate(2023, 12, 1), QDate(2024, 1, 20)})
        EXPECT_FALSE(rollForwardDate(fourDates(), d).isValid()) << d.toString().toStdString();
}

TEST(CalendarFunctions, GeneratedDatesAreMovedOntoTradingDaysAndMergedWhereTheyMeet)
{
    // Weekly from 30 Dec 2023: 6 and 13 Jan both move to 19 Jan and become
    // one; 20 Jan lies past the calendar and is written as 0.
    EXPECT_EQ(generateObserveDates(fourDates(), QDate(2023, 12, 30), QDate(2024, 1, 25), 0, "周").dates,
              "20240119_0_20240125");
    // Candidates moved onto the expiry date are the expiry's observation.
    const GeneratedSchedule s = generateObserveDates(fourDates(), QDate(2024, 1, 1), QDate(2024, 1, 19), 0, "1W");
    EXPECT_EQ(s.dates, "20240119");
    ASSERT_EQ(s.merged.size(), 1u);
    EXPECT_EQ(s.merged[0].dates, QStringList({"20240108", "20240115", "20240119"}));
}

// A calendar whose file could not be loaded.
TEST(NoCalendar, AFailedLoadSaysSoAndLeavesTheCalendarEmpty)
{
    const std::string missing = "/nonexistent-kelvara-folder/trade_calendar.csv";
    LogCapture log;
    Calendar none(0);
    EXPECT_FALSE(none.load(missing));
    EXPECT_EQ(log.take(), "T Calendar(0) is created.\nC CANT load Calendar from " + missing + ".\n");
    EXPECT_TRUE(none.empty());
}

TEST(NoCalendar, TradingModeIsRefusedCalendarModeNeedsNoCalendar)
{
    const Calendar none(0);
    std::vector<double> t{0.25};
    EXPECT_FALSE(observation_times(none, "20240103_20240119", "20240102", t, true, 244));
    EXPECT_EQ(t, std::vector<double>{0.25});
    t.clear();  // calendar days / 365, a date before the start kept; 2024 is a leap year
    EXPECT_TRUE(observation_times(none, "20240101__20240301_20250228_", "20240228", t, false, 244));
    EXPECT_EQ(t, (std::vector<double>{-58.0 / 365, 2.0 / 365, 366.0 / 365}));
}

// Each query says so at its level; counts and fractions say nothing.
TEST(NoCalendar, NothingCanBeCountedOrPlaced)
{
    const Calendar none(0);
    LogCapture log;
    const std::string critical = "C trd_calendar is NOT initialized.\n", error = "E trd_calendar is NOT initialized.\n";
    log.take();
    EXPECT_EQ(log.with(none.is_trading_day(D1)), std::make_pair(false, critical));
    EXPECT_EQ(log.with(none.trading_day_after(D1, 1)), std::make_pair(0, error));
    EXPECT_EQ(log.with(none.roll_forward(D1)), std::make_pair(0, critical + error));
    EXPECT_TRUE(std::isnan(year_fraction(none, D1, D4, 244)));
    EXPECT_EQ(log.with(none.count_trading_days(D1, D4, 1)), std::make_pair(-1, std::string()));
    // No date is placed at "0": the generator refuses without asking.
    EXPECT_EQ(log.with(generateObserveDates(none, QDate(2024, 1, 1), QDate(2024, 1, 20), 0, "周").dates),
              std::make_pair(QString(), std::string()));
}
