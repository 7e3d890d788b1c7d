// The process-wide calendar when its file cannot be loaded.
#include "Calendar.h"
#include "LogCapture.h"
#include "ObserveSchedule.h"
#include "RecordingPrompter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const std::string kMissing = "/nonexistent-kelvara-folder/trade_calendar.csv";

// The log is opened before the calendar so that its load is recorded.
class MissingCalendar : public ::testing::Environment
{
public:
    void SetUp() override
    {
        log = new LogCapture;
        loaded = trd_calendar_use_file(kMissing);
    }
    void TearDown() override
    {
        delete log;
        log = nullptr;
    }
    static LogCapture* log;
    static bool loaded;
};

LogCapture* MissingCalendar::log = nullptr;
bool MissingCalendar::loaded = true;

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new MissingCalendar);

TEST(NoCalendar, LoadFailedOnceAndIsNotRetried)
{
    EXPECT_FALSE(MissingCalendar::loaded);
    EXPECT_NE(MissingCalendar::log->text().find("C CANT load Calendar from " + kMissing + ".\n"),
              std::string::npos)
        << MissingCalendar::log->text();
    EXPECT_TRUE(trd_calendar().empty());
    EXPECT_FALSE(trd_calendar_use_file(std::string(KELVARA_TEST_DATA_DIR) + "/calendar_four_dates.csv"));
    EXPECT_TRUE(trd_calendar().empty());
}

TEST(NoCalendar, TradingModeObservationTimesAreRefused)
{
    std::vector<double> t{0.25};
    EXPECT_FALSE(observation_times("20240103_20240119", "20240102", t, true, 244));
    EXPECT_EQ(t, std::vector<double>{0.25});
    // Calendar-day mode needs no calendar.
    EXPECT_TRUE(observation_times("20240103_20240119", "20240102", t, false, 244));
    ASSERT_EQ(t.size(), 3u);
    EXPECT_DOUBLE_EQ(t[2], 17.0 / 365);
}

TEST(NoCalendar, CountsAndFractionsSayTheyCannot)
{
    MissingCalendar::log->clear();
    EXPECT_TRUE(std::isnan(year_fraction(20240102, 20240119, 244)));
    EXPECT_EQ(trd_calendar().count_trading_days(20240102, 20240119, 1), -1);
    EXPECT_EQ(MissingCalendar::log->text(), "");
}

TEST(NoCalendar, ScheduleDatesThatCannotBePlacedAreWrittenAsZero)
{
    RecordingPrompter prompter;
    MissingCalendar::log->clear();
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 1, 20), 0, "周"), "0_0_20240120");
    EXPECT_TRUE(prompter.boxes.isEmpty());
    // roll_forward says so twice for each date.
    const std::string twice = "C trd_calendar is NOT initialized.\nE trd_calendar is NOT initialized.\n";
    EXPECT_EQ(MissingCalendar::log->text(), twice + twice);
    EXPECT_FALSE(rollForwardDate(QDate(2024, 1, 2)).isValid());
}

}  // namespace
