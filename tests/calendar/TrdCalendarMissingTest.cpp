// The process-wide calendar when its file cannot be loaded.
#include "CalendarTestSupport.h"

const std::string kMissing = "/nonexistent-kelvara-folder/trade_calendar.csv";

// The log is opened before the calendar so that its load is recorded.
class MissingCalendar : public ::testing::Environment
{
public:
    void SetUp() override
    {
        log = new LogCapture;
        loaded = log->with(trd_calendar_use_file(kMissing));
    }
    void TearDown() override { delete log; }
    static inline LogCapture* log = nullptr;
    static inline std::pair<bool, std::string> loaded;
};

const auto* const g_missing = ::testing::AddGlobalTestEnvironment(new MissingCalendar);

TEST(NoCalendar, LoadFailedOnceAndIsNotRetried)
{
    EXPECT_EQ(MissingCalendar::loaded,
              std::make_pair(false, "T Calendar(0) is created.\nC CANT load Calendar from " + kMissing + ".\n"));
    EXPECT_FALSE(trd_calendar_use_file(testData("calendar_four_dates.csv")));
    EXPECT_TRUE(trd_calendar().empty());
}

TEST(NoCalendar, TradingModeIsRefusedCalendarModeNeedsNoCalendar)
{
    std::vector<double> t{0.25};
    EXPECT_FALSE(observation_times("20240103_20240119", "20240102", t, true, 244));
    EXPECT_EQ(t, std::vector<double>{0.25});
    t.clear();  // calendar days / 365, a date before the start kept; 2024 is a leap year
    EXPECT_TRUE(observation_times("20240101__20240301_20250228_", "20240228", t, false, 244));
    EXPECT_EQ(t, (std::vector<double>{-58.0 / 365, 2.0 / 365, 366.0 / 365}));
}

// Each query says so at its level; counts and fractions say nothing.
TEST(NoCalendar, NothingCanBeCountedOrPlaced)
{
    RecordingPrompter prompter;
    LogCapture& log = *MissingCalendar::log;
    const std::string critical = "C trd_calendar is NOT initialized.\n", error = "E trd_calendar is NOT initialized.\n";
    log.take();
    EXPECT_EQ(log.with(trd_calendar().is_trading_day(D1)), std::make_pair(false, critical));
    EXPECT_EQ(log.with(trd_calendar().trading_day_after(D1, 1)), std::make_pair(0, error));
    EXPECT_EQ(log.with(trd_calendar().roll_forward(D1)), std::make_pair(0, critical + error));
    EXPECT_TRUE(std::isnan(year_fraction(D1, D4, 244)));
    EXPECT_EQ(log.with(trd_calendar().count_trading_days(D1, D4, 1)), std::make_pair(-1, std::string()));
    EXPECT_EQ(log.with(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 1, 20), 0, "周")),
              std::make_pair(QString("0_0_20240120"), critical + error + critical + error));
    EXPECT_TRUE(prompter.boxes.isEmpty());
}
