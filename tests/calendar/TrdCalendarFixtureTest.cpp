// The process-wide calendar set to the four-date calendar D1 < D2 < D3 < D4.
#include "Calendar.h"
#include "ObserveSchedule.h"
#include "RecordingPrompter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const int D1 = 20240102;
const int D2 = 20240103;
const int D4 = 20240119;

class FourDateCalendar : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(trd_calendar_use_file(std::string(KELVARA_TEST_DATA_DIR) + "/calendar_four_dates.csv"));
    }
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new FourDateCalendar);

TEST(TrdCalendar, IsTheFileChosenBeforeFirstUse)
{
    EXPECT_EQ(trd_calendar().dates(), (std::vector<int>{D1, D2, 20240105, D4}));
    EXPECT_EQ(trd_calendar().id(), 0);
    // Chosen once: a later choice changes nothing.
    EXPECT_FALSE(trd_calendar_use_file(std::string(KELVARA_TEST_DATA_DIR) + "/calendar_one_date.csv"));
    EXPECT_EQ(trd_calendar().dates().size(), 4u);
}

TEST(TrdCalendar, YearFractionCountsTradingDays)
{
    EXPECT_DOUBLE_EQ(year_fraction(D1, D4, 244), 3.0 / 244);
    EXPECT_DOUBLE_EQ(year_fraction(D4, D1, 244), -3.0 / 244);
    EXPECT_DOUBLE_EQ(year_fraction(D1, 20240108, 250), 3.0 / 250);
    EXPECT_EQ(year_fraction(D2, D2, 244), 0.0);
}

TEST(TrdCalendar, ObservationTimesInTradingMode)
{
    std::vector<double> t{0.5};  // appended to, not replaced
    ASSERT_TRUE(observation_times("20240103__20240119_", "20240102", t, true, 244));
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], 0.5);
    EXPECT_DOUBLE_EQ(t[1], 1.0 / 244);
    EXPECT_DOUBLE_EQ(t[2], 3.0 / 244);

    // A date before the start is dropped; the start itself gives 0.
    t.clear();
    ASSERT_TRUE(observation_times("20240101_20240103_20240105", "20240103", t, true, 244));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0], 0.0);
    EXPECT_DOUBLE_EQ(t[1], 1.0 / 244);
}

TEST(TrdCalendar, ObservationTimesInCalendarMode)
{
    std::vector<double> t;
    ASSERT_TRUE(observation_times("20240101__20240110_", "20240103", t, false, 244));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_DOUBLE_EQ(t[0], -2.0 / 365);
    EXPECT_DOUBLE_EQ(t[1], 7.0 / 365);

    // Across a leap day: 2024-02-28 to 2024-03-01 is two days, to 2025-02-28 366.
    t.clear();
    ASSERT_TRUE(observation_times("20240301_20250228", "20240228", t, false, 244));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_DOUBLE_EQ(t[0], 2.0 / 365);
    EXPECT_DOUBLE_EQ(t[1], 366.0 / 365);
}

TEST(TrdCalendar, RollForwardDate)
{
    EXPECT_EQ(rollForwardDate(QDate(2024, 1, 8)), QDate(2024, 1, 19));
    EXPECT_EQ(rollForwardDate(QDate(2024, 1, 3)), QDate(2024, 1, 3));
    EXPECT_FALSE(rollForwardDate(QDate(2023, 12, 1)).isValid());
    EXPECT_FALSE(rollForwardDate(QDate(2024, 1, 20)).isValid());
    EXPECT_FALSE(rollForwardDate(QDate()).isValid());
    EXPECT_FALSE(rollForwardDate(QDate(2024, 2, 30)).isValid());
}

TEST(TrdCalendar, GeneratedDatesAreMovedOntoTradingDays)
{
    RecordingPrompter prompter;
    // Weekly from 30 Dec 2023: 6 Jan and 13 Jan both move to 19 Jan and both
    // stay; 20 Jan lies past the calendar and is written as 0.
    EXPECT_EQ(generateObserveDates(QDate(2023, 12, 30), QDate(2024, 1, 25), 0, "周"),
              "20240119_20240119_0_20240125");
    EXPECT_TRUE(prompter.boxes.isEmpty());
    // A candidate moved forward may land on or after the expiry date.
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 1, 19), 0, "1W"),
              "20240119_20240119_20240119");
}

}  // namespace
