// The process-wide calendar reads "trade_calendar.csv" from the working
// directory on first use, and only then.
#include "Calendar.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(TrdCalendarDefault, LoadsTheWorkingDirectorysFileOnceOnFirstUse)
{
    const fs::path dir = fs::temp_directory_path() / ("kelvara_trd_default_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    std::ofstream("trade_calendar.csv") << "iDate\n20240102\n20240103\n";

    EXPECT_EQ(trd_calendar().dates(), (std::vector<int>{20240102, 20240103}));
    EXPECT_EQ(trd_calendar().path(), "trade_calendar.csv");
    EXPECT_EQ(&trd_calendar(), &trd_calendar());

    // A changed file takes effect only at the next start.
    std::ofstream("trade_calendar.csv") << "iDate\n20250102\n";
    EXPECT_EQ(trd_calendar().dates().size(), 2u);
    EXPECT_FALSE(trd_calendar_use_file("trade_calendar.csv"));
    EXPECT_EQ(trd_calendar().dates().front(), 20240102);

    fs::current_path(previous);
    fs::remove_all(dir);
}
