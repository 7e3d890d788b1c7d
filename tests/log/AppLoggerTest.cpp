#include "AppLogger.h"

#include <gtest/gtest.h>
#include <spdlog/spdlog.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &local);
    return buf;
}

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class AppLoggerFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("kelvara_log_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        base = (dir / "log" / "Kelvara").string();
        AppLogger::instance().init(base.c_str());
        file = dir / "log" / ("Kelvara_" + today() + ".log");
    }
    void TearDown() override { fs::remove_all(dir); }

    // What is in the file after every sink was flushed.
    std::string contents()
    {
        AppLogger::instance().logger()->flush();
        return slurp(file);
    }

    fs::path dir;
    std::string base;
    fs::path file;
};

}  // namespace

// Must run before any init in this process (each CTest case is its own process).
TEST(AppLoggerBeforeInit, LogReturnsFalse)
{
    if (AppLogger::instance().logger())
        GTEST_SKIP() << "logger already initialised in this process";
    EXPECT_FALSE(AppLogger::instance().log(2, "nothing %d", 1));
}

TEST_F(AppLoggerFile, CreatesTheFolderAndTheDaysFileWithThePattern)
{
    AppLogger::instance().log(4, "observation:%.5f exceed.", -0.1);
    // No flush here: err and above are flushed at once.
    const std::string error = slurp(file);
    EXPECT_NE(error.find("][E]["), std::string::npos) << error;
    EXPECT_NE(error.find("observation:-0.10000 exceed."), std::string::npos) << error;

    ASSERT_TRUE(AppLogger::instance().log(2, "Calendar: %d items loaded from %s.", 3, "x.csv"));
    const std::string text = contents();
    ASSERT_TRUE(fs::exists(file)) << file;
    // [MM-DD HH:MM:SS.mmm][I][thread] message\r\n
    EXPECT_NE(text.find("][I]["), std::string::npos) << text;
    EXPECT_NE(text.find("] Calendar: 3 items loaded from x.csv.\r\n"), std::string::npos) << text;
    EXPECT_EQ(text[0], '[');
    EXPECT_EQ(text[6], ' ');   // "[12-06 " month-day then blank
    EXPECT_EQ(text[19], ']');  // "HH:MM:SS.mmm]"
}

TEST_F(AppLoggerFile, DropsTraceAndDebugAndIgnoresUnknownLevels)
{
    for (int level : {0, 1, 6, -1})
        EXPECT_TRUE(AppLogger::instance().log(level, "dropped at level %d", level));
    EXPECT_TRUE(AppLogger::instance().log(3, "warn line"));
    const std::string text = contents();
    EXPECT_EQ(text.find("dropped"), std::string::npos) << text;
    EXPECT_NE(text.find("][W]["), std::string::npos);
    EXPECT_FALSE(AppLogger::instance().file_failed());  // the file opened: no failure to report
    EXPECT_EQ(AppLogger::instance().file_error(), "");
}

TEST_F(AppLoggerFile, TextIsNotFormattedTwiceAndTrailingBreakLeavesEmptyLine)
{
    AppLogger::instance().log(2, "braces {} stay {0}");
    AppLogger::instance().log(2, "price:%.5f when %s=%.3f after %d calc\n", 99.5, "c", 0.2, 0);
    const std::string text = contents();
    EXPECT_NE(text.find("braces {} stay {0}\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("price:99.50000 when c=0.200 after 0 calc\n\r\n"), std::string::npos) << text;
}

TEST_F(AppLoggerFile, LongTextIsCutTo510Characters)
{
    const std::string long_text(800, 'x');
    AppLogger::instance().log(2, "%s", long_text.c_str());
    const std::string text = contents();
    EXPECT_NE(text.find(std::string(510, 'x') + "\r\n"), std::string::npos);
    EXPECT_EQ(text.find(std::string(511, 'x')), std::string::npos);
}

TEST_F(AppLoggerFile, SecondInitOnTheSameDayAppends)
{
    AppLogger::instance().log(2, "first run");
    contents();
    AppLogger::instance().init(base.c_str());
    AppLogger::instance().log(2, "second run");
    const std::string text = contents();
    EXPECT_NE(text.find("first run"), std::string::npos);
    EXPECT_NE(text.find("second run"), std::string::npos);
    EXPECT_EQ(spdlog::default_logger()->name(), "multi_sink");
}

TEST(AppLoggerNoFile, KeepsRunningOnTheConsoleWhenTheFileCannotBeOpened)
{
    const fs::path dir = fs::temp_directory_path() / ("kelvara_log_blocked_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A plain file where the log folder should be: the folder cannot be made.
    std::ofstream(dir / "log") << "not a folder";
    const std::string base = (dir / "log" / "Kelvara").string();

    ::testing::internal::CaptureStdout();
    EXPECT_NO_THROW(AppLogger::instance().init(base.c_str()));
    EXPECT_TRUE(AppLogger::instance().log(2, "still logging"));
    AppLogger::instance().logger()->flush();
    std::fflush(stdout);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("console only"), std::string::npos) << out;
    EXPECT_NE(out.find("still logging"), std::string::npos) << out;
    EXPECT_EQ(AppLogger::instance().logger()->sinks().size(), 1u);
    // The window can tell the user, with the reason.
    EXPECT_TRUE(AppLogger::instance().file_failed());
    EXPECT_FALSE(AppLogger::instance().file_error().empty());
    EXPECT_NE(out.find(AppLogger::instance().file_error()), std::string::npos) << out;
    fs::remove_all(dir);
}
