#pragma once
// What the calendar tests share: the units under test, files in a temporary
// folder, the lines the application log writes and the four-date calendar.
#include "AppLogger.h"
#include "Calendar.h"
#include "CsvBlockFile.h"
#include "ObserveSchedule.h"
#include "RecordingPrompter.h"

#include <gtest/gtest.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include <QDate>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <unistd.h>

// tests/data/calendar_four_dates.csv holds D1 < D2 < D3 < D4; D3 < X < D4.
const int D1 = 20240102, D2 = 20240103, D3 = 20240105, D4 = 20240119, X = 20240108;

inline std::string testData(const std::string& name) { return std::string(KELVARA_TEST_DATA_DIR) + "/" + name; }

// A fresh folder, removed with the object.
class TempDir
{
public:
    TempDir() { std::filesystem::create_directories(dir_); }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Writes content byte for byte; returns the file's path.
    std::string write(const std::string& name, const std::string& content) const
    {
        std::ofstream(path(name), std::ios::binary) << content;
        return path(name);
    }

private:
    static inline int serial_ = 0;
    std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
                                 ("kelvara_caltest_" + std::to_string(::getpid()) + "_" + std::to_string(serial_++));
};

// Opens the application log in a temporary folder and records every line,
// trace level included, as "<level letter> <message>\n".
class LogCapture
{
public:
    LogCapture()
    {
        AppLogger::instance().init(dir_.path("Kelvara").c_str());
        sink_->set_pattern("%L %v");
        AppLogger::instance().logger()->sinks().push_back(sink_);
        AppLogger::instance().logger()->set_level(spdlog::level::trace);  // the program drops levels 0 and 1
    }
    ~LogCapture()
    {
        auto& sinks = AppLogger::instance().logger()->sinks();
        sinks.erase(std::remove(sinks.begin(), sinks.end(), sink_), sinks.end());
    }
    // Everything logged since construction or the last take, then forgets it.
    std::string take()
    {
        const std::string text = stream_.str();
        stream_.str(std::string());
        return text;
    }
    // A result paired with what was logged while it was computed.
    template <typename T>
    std::pair<T, std::string> with(T result) { return {result, take()}; }

private:
    TempDir dir_;
    std::ostringstream stream_;
    std::shared_ptr<spdlog::sinks::ostream_sink_mt> sink_ = std::make_shared<spdlog::sinks::ostream_sink_mt>(stream_);
};
