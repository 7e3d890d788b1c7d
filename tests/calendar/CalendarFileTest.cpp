// The calendar loader refuses files it cannot trust, naming the line and the
// reason, and reads the years the file marks as estimated.
#include "Calendar.h"
#include "CalendarFile.h"
#include "CalendarTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Refusal
{
    const char* file;
    CalendarLoadStatus status;
    int line;
    const char* says;
};

}  // namespace

TEST(CalendarFileCheck, EachBadFileIsRefusedWithItsOwnReason)
{
    const Refusal cases[] = {
        {"missing.csv", CalendarLoadStatus::Unreadable, 0, "No such file or directory"},
        {"calendar_empty.csv", CalendarLoadStatus::Empty, 0, "is empty"},
        {"calendar_declaration_only.csv", CalendarLoadStatus::Empty, 0, "holds no trading dates"},
        {"calendar_no_dates.csv", CalendarLoadStatus::Empty, 0, "holds no trading dates"},
        {"calendar_no_type_code.csv", CalendarLoadStatus::Malformed, 1, "is not a record declaration"},
        {"calendar_double_dates.csv", CalendarLoadStatus::Malformed, 1, "is not an i (date) column"},
        {"calendar_repeated_date.csv", CalendarLoadStatus::Malformed, 4, "20240103 repeats line 3"},
        {"calendar_out_of_order.csv", CalendarLoadStatus::Malformed, 4, "20240103 comes after 20240104 (line 3)"},
        {"calendar_not_a_date.csv", CalendarLoadStatus::Malformed, 3, "\"20240230\" is not a date"},
    };
    for (const Refusal& c : cases) {
        Calendar cal(7);
        ASSERT_TRUE(cal.load(testData("calendar_four_dates.csv")));
        const std::string path = testData(c.file);
        const CalendarLoadResult r = cal.load_checked(path);
        EXPECT_EQ(r.status, c.status) << c.file;
        EXPECT_EQ(r.line, c.line) << c.file;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << c.file << ": " << r.message;
        EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
        EXPECT_EQ(cal.dates().size(), 4u) << "a refused file leaves the dates as they were";
        EXPECT_EQ(cal.last_load().message, r.message);
    }
}

TEST(CalendarFileCheck, ByteOrderMarkAndCrLfAreReadAndEstimatedYearsFound)
{
    Calendar cal(7);
    const CalendarLoadResult r = cal.load_checked(testData("calendar_estimated_crlf.csv"));
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(cal.dates(), (std::vector<int>{20261230, 20270104, 20270105}));
    EXPECT_EQ(cal.estimated_years(), (std::set<int>{2027}));
    EXPECT_TRUE(cal.reaches_estimated_year(20261201, 20270101));
    EXPECT_TRUE(cal.reaches_estimated_year(20271231, 20261201));  // either order
    EXPECT_FALSE(cal.reaches_estimated_year(20260101, 20261231));
    EXPECT_FALSE(cal.reaches_estimated_year(20280101, 20290101));
}

TEST(CalendarFileCheck, ShippedCalendarMarksItsEstimatedYears)
{
    Calendar cal(7);
    ASSERT_TRUE(cal.load_checked(std::string(KELVARA_BIN_DIR) + "/trade_calendar.csv").ok());
    ASSERT_FALSE(cal.estimated_years().empty());
    // Every year after the first estimated one is estimated too, up to the last date.
    const int first = *cal.estimated_years().begin();
    EXPECT_EQ(*cal.estimated_years().rbegin(), cal.dates().back() / 10000);
    EXPECT_EQ(static_cast<int>(cal.estimated_years().size()), cal.dates().back() / 10000 - first + 1);
}

TEST(CalendarFileCheck, RealDates)
{
    const std::pair<long long, bool> cases[] = {{20240229, true},  {20230229, false}, {21000229, false},
                                                {20000229, true},  {20241131, false}, {20241301, false},
                                                {20240100, false}, {99991231, true},  {101, false}};
    for (const auto& [date, real] : cases)
        EXPECT_EQ(is_real_date(date), real) << date;
}
