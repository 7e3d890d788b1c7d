#pragma once
// What the calendar tests share: the units under test, files in a temporary
// folder, the lines the application log writes and the four-date calendar.
#include "Calendar.h"
#include "CsvBlockFile.h"
#include "LogCapture.h"
#include "ObserveSchedule.h"

#include <gtest/gtest.h>

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
