// Observation schedules on a calendar in which every day trades, so that no
// date moves and the results can be worked out by hand.
#include "Calendar.h"
#include "ObserveSchedule.h"
#include "RecordingPrompter.h"

#include <gtest/gtest.h>

#include <QObject>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

class EveryDayCalendar : public ::testing::Environment
{
public:
    void SetUp() override
    {
        path = std::filesystem::temp_directory_path() /
               ("kelvara_every_day_" + std::to_string(::getpid()) + ".csv");
        std::ofstream out(path);
        out << "iDate\n";
        for (QDate d(2022, 1, 1); d <= QDate(2027, 12, 31); d = d.addDays(1))
            out << d.toString("yyyyMMdd").toStdString() << '\n';
        out.close();
        ASSERT_TRUE(trd_calendar_use_file(path.string()));
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::filesystem::path path;
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new EveryDayCalendar);

const QString kTitle = QStringLiteral("观察日参数错误");
const QString kLockError = QStringLiteral("锁定观察数量大于以观察频率取样的日期数量!");

TEST(DateToInt, FormatsYearMonthDay)
{
    EXPECT_EQ(dateToInt(QDate(2024, 1, 5)), 20240105);
    EXPECT_EQ(dateToInt(QDate(2024, 12, 31)), 20241231);
    EXPECT_EQ(dateToInt(QDate(2024, 2, 29)), 20240229);
    EXPECT_EQ(dateToInt(QDate()), 0);
    EXPECT_EQ(dateToInt(QDate(2023, 2, 29)), 0);
    EXPECT_EQ(dateToInt(QDate(2024, 13, 1)), 0);
    EXPECT_EQ(dateToInt(QDate(10000, 1, 1)), 0);
    EXPECT_EQ(dateToInt(QDate(-5, 1, 1)), 0);
}

TEST(GenerateObserveDates, MonthlyWithLockCount)
{
    RecordingPrompter prompter;
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 15), QDate(2025, 1, 15), 3, "月"),
              "20240415_20240515_20240615_20240715_20240815_20240915_20241015_20241115_20241215_20250115");
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 15), QDate(2025, 1, 15), 3, "1M"),
              "20240415_20240515_20240615_20240715_20240815_20240915_20241015_20241115_20241215_20250115");
    EXPECT_TRUE(prompter.boxes.isEmpty());
}

TEST(GenerateObserveDates, MonthEndClampCarriesForward)
{
    RecordingPrompter prompter;
    // Leap year: 31 Jan -> 29 Feb, then the 29th of every month.
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 31), QDate(2024, 12, 31), 1, "月"),
              "20240229_20240329_20240429_20240529_20240629_20240729_20240829_20240929_20241029_20241129_"
              "20241231");
    // Common year: 31 Jan -> 28 Feb -> 28 Mar ...
    EXPECT_EQ(generateObserveDates(QDate(2023, 1, 31), QDate(2023, 6, 30), 0, "月"),
              "20230228_20230328_20230428_20230528_20230630");
    // 29 Feb start in a leap year.
    EXPECT_EQ(generateObserveDates(QDate(2024, 2, 29), QDate(2024, 5, 31), 0, "月"),
              "20240329_20240429_20240531");
    EXPECT_TRUE(prompter.boxes.isEmpty());
}

TEST(GenerateObserveDates, WeeklyAndBiweeklyMargins)
{
    RecordingPrompter prompter;
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 2, 1), 0, "周"),
              "20240108_20240115_20240122_20240201");
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 2, 1), 0, "1W"),
              "20240108_20240115_20240122_20240201");
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 3, 1), 0, "双周"),
              "20240115_20240129_20240212_20240301");
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 3, 1), 0, "2W"),
              "20240115_20240129_20240212_20240301");
    // Over the leap day: weekly from 22 Feb 2024 reaches 29 Feb and 7 Mar.
    EXPECT_EQ(generateObserveDates(QDate(2024, 2, 22), QDate(2024, 3, 11), 0, "周"),
              "20240229_20240307_20240311");
    EXPECT_TRUE(prompter.boxes.isEmpty());
}

TEST(GenerateObserveDates, OtherFrequencyTextsGiveNoCandidates)
{
    RecordingPrompter prompter;
    for (const char* f : {"", "week", "1w", "1m", "3M", "周 ", " 月", "季"}) {
        prompter.clear();
        EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2025, 1, 1), 0, QString::fromUtf8(f)),
                  "20250101")
            << f;
        EXPECT_TRUE(prompter.boxes.isEmpty()) << f;
        EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2025, 1, 1), 1, QString::fromUtf8(f)), "")
            << f;
        EXPECT_EQ(prompter.summary(), QStringList{kTitle + "|" + kLockError}) << f;
    }
}

TEST(GenerateObserveDates, LockCounts)
{
    RecordingPrompter prompter;
    const QDate start(2024, 1, 1);
    const QDate expiry(2024, 2, 1);  // weekly: 3 candidates, 8, 15 and 22 Jan
    // 0 and 1 drop nothing.
    EXPECT_EQ(generateObserveDates(start, expiry, 0, "周"), "20240108_20240115_20240122_20240201");
    EXPECT_EQ(generateObserveDates(start, expiry, 1, "周"), "20240108_20240115_20240122_20240201");
    EXPECT_EQ(generateObserveDates(start, expiry, 2, "周"), "20240115_20240122_20240201");
    // As many as there are candidates: the last candidate and the expiry.
    EXPECT_EQ(generateObserveDates(start, expiry, 3, "周"), "20240122_20240201");
    EXPECT_TRUE(prompter.boxes.isEmpty());

    for (int lock : {4, INT_MAX, -1, INT_MIN}) {
        prompter.clear();
        EXPECT_EQ(generateObserveDates(start, expiry, lock, "周"), "") << lock;
        ASSERT_EQ(prompter.boxes.size(), 1) << lock;
        EXPECT_EQ(prompter.boxes[0].icon, prompt::Icon::Critical);
        EXPECT_EQ(prompter.boxes[0].title, kTitle);
        EXPECT_EQ(prompter.boxes[0].text, kLockError);
        EXPECT_EQ(prompter.boxes[0].parent, nullptr);
    }
}

TEST(GenerateObserveDates, InvalidDatesAreReported)
{
    RecordingPrompter prompter;
    EXPECT_EQ(generateObserveDates(QDate(), QDate(2025, 1, 1), 0, "月"), "");
    EXPECT_EQ(generateObserveDates(QDate(2024, 2, 30), QDate(2025, 1, 1), 0, "月"), "");
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(), 0, "月"), "");
    EXPECT_EQ(generateObserveDates(QDate(), QDate(), 0, "月"), "");
    EXPECT_EQ(prompter.summary(), (QStringList{kTitle + "|无起始日", kTitle + "|无起始日", kTitle + "|无到期日",
                                               kTitle + "|无起始日"}));
    for (const auto& box : prompter.boxes) {
        EXPECT_EQ(box.icon, prompt::Icon::Critical);
        EXPECT_EQ(box.parent, nullptr);
    }
}

TEST(GenerateObserveDates, StartOnOrAfterExpiry)
{
    RecordingPrompter prompter;
    EXPECT_EQ(generateObserveDates(QDate(2025, 1, 1), QDate(2024, 1, 1), 0, "月"), "20240101");
    EXPECT_EQ(generateObserveDates(QDate(2024, 1, 1), QDate(2024, 1, 1), 0, "周"), "20240101");
    EXPECT_TRUE(prompter.boxes.isEmpty());
    EXPECT_EQ(generateObserveDates(QDate(2025, 1, 1), QDate(2024, 1, 1), 1, "月"), "");
    EXPECT_EQ(prompter.summary(), QStringList{kTitle + "|" + kLockError});
}

TEST(StepValues, EachValueFromTheStartInShortestForm)
{
    EXPECT_EQ(stepValues(100, -0.4, 12), "100_99.6_99.2_98.8_98.4_98_97.6_97.2_96.8_96.4_96_95.6");
    EXPECT_EQ(stepValues(0.00001, 0, 2), "1e-05_1e-05");
    EXPECT_EQ(stepValues(1e6, 1, 2), "1e+06_1e+06");
    EXPECT_EQ(stepValues(999999, 0, 1), "999999");
    EXPECT_EQ(stepValues(0.1, 0.2, 3), "0.1_0.3_0.5");
    EXPECT_EQ(stepValues(16, 0.5, 1), "16");
    EXPECT_EQ(stepValues(3.14159265, 0, 1), "3.14159");
    EXPECT_EQ(stepValues(80, -1, 0), "");
    EXPECT_EQ(stepValues(80, -1, -5), "");
}

TEST(SpreadValues, OneValueAppliesToEveryDateWithoutWarning)
{
    RecordingPrompter prompter;
    const ValueSpread s = spreadValues("_103__", 12, "敲出价格", nullptr);
    EXPECT_TRUE(s.single);
    EXPECT_EQ(s.values, QStringList{"103"});
    EXPECT_TRUE(prompter.boxes.isEmpty());
}

TEST(SpreadValues, CountMismatchesWarnAndFillWhatFits)
{
    RecordingPrompter prompter;
    QObject editor;
    const QStringList twelve = stepValues(100, -0.4, 12).split('_');

    ValueSpread s = spreadValues(twelve.mid(0, 11).join('_'), 12, "敲出价格", &editor);
    EXPECT_FALSE(s.single);
    EXPECT_EQ(s.values, twelve.mid(0, 11));
    ASSERT_EQ(prompter.boxes.size(), 1);
    EXPECT_EQ(prompter.boxes[0].icon, prompt::Icon::Warning);
    EXPECT_EQ(prompter.boxes[0].title, "请注意：");
    EXPECT_EQ(prompter.boxes[0].text, "敲出价格数量小于观察日数量!");
    EXPECT_EQ(prompter.boxes[0].parent, &editor);

    prompter.clear();
    s = spreadValues(twelve.join('_') + "_95.2", 12, "敲出票息", &editor);
    EXPECT_EQ(s.values, twelve);
    EXPECT_EQ(prompter.summary(), QStringList{"请注意：|敲出票息数量大于观察日数量!"});

    prompter.clear();
    s = spreadValues(twelve.join('_'), 12, "敲入价格", &editor);
    EXPECT_EQ(s.values, twelve);
    EXPECT_TRUE(prompter.boxes.isEmpty());

    prompter.clear();
    s = spreadValues("", 12, "敲入价格", &editor);
    EXPECT_FALSE(s.single);
    EXPECT_TRUE(s.values.isEmpty());
    EXPECT_EQ(prompter.summary(), QStringList{"请注意：|敲入价格数量小于观察日数量!"});

    // No rows at all: any two values are too many.
    prompter.clear();
    s = spreadValues("1_2", 0, "敲入价格", &editor);
    EXPECT_TRUE(s.values.isEmpty());
    EXPECT_EQ(prompter.summary(), QStringList{"请注意：|敲入价格数量大于观察日数量!"});
}

}  // namespace
