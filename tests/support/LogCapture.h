#pragma once

// Records what the application log writes while the object lives. AppLogger
// is opened once per test program (its file in a temporary folder) at trace
// level, and each capture adds its own recording sink to it.

#include "AppLogger.h"

#include <gtest/gtest.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <utility>
#include <vector>
#include <unistd.h>

class LogCapture
{
public:
    LogCapture()
    {
        static const bool opened = (AppLogger::instance().init(
            (testing::TempDir() + "kelvara_test_log_" + std::to_string(::getpid()) + "/Kelvara").c_str()), true);
        (void)opened;
        AppLogger::instance().logger()->set_level(spdlog::level::trace);  // the program drops levels 0 and 1
        AppLogger::instance().logger()->sinks().push_back(sink_);
    }
    ~LogCapture()
    {
        auto& sinks = AppLogger::instance().logger()->sinks();
        sinks.erase(std::remove(sinks.begin(), sinks.end(), sink_), sinks.end());
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Records of one level since construction or the last take, whose text is
    // exactly `text` when one is given.
    int count(int level, const std::string& text = std::string()) const
    {
        int n = 0;
        for (const Record& r : sink_->records())
            n += r.first == level && (text.empty() || r.second == text);
        return n;
    }
    // Records of one level whose text matches the pattern whole.
    int count_matching(int level, const std::string& pattern) const
    {
        const std::regex re(pattern);
        int n = 0;
        for (const Record& r : sink_->records())
            n += r.first == level && std::regex_match(r.second, re);
        return n;
    }
    // Everything logged since construction or the last take, a line
    // "<level letter> <message>" each, then forgets it.
    std::string take()
    {
        std::string text;
        for (const Record& r : sink_->records(true))
            text += std::string(spdlog::level::to_short_c_str(static_cast<spdlog::level::level_enum>(r.first))) +
                    " " + r.second + "\n";
        return text;
    }
    // A result paired with what was logged while it was computed.
    template <typename T>
    std::pair<T, std::string> with(T result) { return {result, take()}; }

private:
    using Record = std::pair<int, std::string>;

    class Sink : public spdlog::sinks::base_sink<std::mutex>
    {
    public:
        std::vector<Record> records(bool forget = false)
        {
            std::lock_guard<std::mutex> guard(this->mutex_);
            std::vector<Record> out;
            if (forget)
                out.swap(records_);
            else
                out = records_;
            return out;
        }

    protected:
        void sink_it_(const spdlog::details::log_msg& m) override
        {
            records_.emplace_back(static_cast<int>(m.level), std::string(m.payload.data(), m.payload.size()));
        }
        void flush_() override {}

    private:
        std::vector<Record> records_;
    };

    std::shared_ptr<Sink> sink_ = std::make_shared<Sink>();
};
