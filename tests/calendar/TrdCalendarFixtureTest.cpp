// The process-wide calendar set to the four-date calendar before first use.
// The other tests of this program use calendars of their own.
#include "CalendarTestSupport.h"

class FourDateCalendar : public ::testing::Environment
{
    void SetUp() override { ASSERT_TRUE(trd_calendar_use_file(testData("calendar_four_dates.csv"))); }
};

const auto* const g_four_dates = ::testing::AddGlobalTestEnvironment(new FourDateCalendar);

TEST(TrdCalendar, IsTheFileChosenBeforeFirstUseAndOnlyThat)
{
    EXPECT_EQ(trd_calendar().dates(), (std::vector<int>{D1, D2, D3, D4}));
    EXPECT_FALSE(trd_calendar_use_file(testData("calendar_one_date.csv")));
    EXPECT_EQ(trd_calendar().dates().size(), 4u);
}

TEST(TrdCalendar, YearFractionAndObservationTimesCountTradingDays)
{
    EXPECT_DOUBLE_EQ(year_fraction(D1, D4, 244), 3.0 / 244);
    EXPECT_DOUBLE_EQ(year_fraction(D4, D1, 244), -3.0 / 244);
    EXPECT_DOUBLE_EQ(year_fraction(D1, X, 250), 3.0 / 250);
    std::vector<double> t{0.5};  // appended to, not replaced; empty parts dropped
    ASSERT_TRUE(observation_times("20240103__20240119_", "20240102", t, true, 244));
    EXPECT_EQ(t, (std::vector<double>{0.5, 1.0 / 244, 3.0 / 244}));
    t.clear();  // a date before the start is dropped, the start itself is 0
    ASSERT_TRUE(observation_times("20240101_20240103_20240105", "20240103", t, true, 244));
    EXPECT_EQ(t, (std::vector<double>{0.0, 1.0 / 244}));
}

TEST(TrdCalendar, DateToIntAndRollForwardDateOfInvalidOrOutsideDates)
{
    EXPECT_EQ(dateToInt(QDate(2024, 2, 29)), 20240229);
    EXPECT_EQ(rollForwardDate(QDate(2024, 1, 8)), QDate(2024, 1, 19));
    EXPECT_EQ(rollForwardDate(QDate(2024, 1, 3)), QDate(2024, 1, 3));
    for (const QDate& d : {QDate(), QDate(2023, 2, 29), QDate(2024, 13, 1), QDate(10000, 1, 1), QDate(-5, 1, 1)})
        EXPECT_EQ(dateToInt(d), 0) << d.toString().toStdString();
    for (const QDate& d : {QDate(), QDate(2024, 2, 30), QDate(2023, 12, 1), QDate(2024, 1, 20)})
        EXPECT_FALSE(rollForwardDate(d).isValid()) << d.toString().toStdString();
}

TEST(TrdCalendar, GeneratedDatesAreMovedOntoTradingDaysNeitherMergedNorSorted)
{
    RecordingPrompter prompter;
    // Weekly from 30 Dec 2023: 6 and 13 Jan both move to 19 Jan; 20 Jan lies
    // past the calendar and is written as 0.
    EXPECT_EQ(generateObserveDates(QDate(2023, 12, 30), QDate(2024, 1, 25), 0, "周"), "20240119_20240119_0_20240125");
    // A candidate moved forward may land on or after the expiry date.
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 1, 19), 0, "1W"), "20240119_20240119_20240119");
    EXPECT_TRUE(prompter.boxes.isEmpty());
}
