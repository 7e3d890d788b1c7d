#pragma once

#include "AppLogger.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

// Records what the engine logs: AppLogger is initialised once for the test
// program (its file under a temporary folder) and a recording sink is added.
class LogCapture
{
public:
    struct Record
    {
        int level;
        std::string text;
    };

    LogCapture()
    {
        static std::shared_ptr<Sink> sink = install();
        sink_ = sink;
        sink_->clear();
    }

    std::vector<Record> records() const { return sink_->records(); }

    // Records of one level whose text is exactly `text`.
    int count(int level, const std::string& text) const
    {
        int n = 0;
        for (const Record& r : records())
            n += (r.level == level && r.text == text) ? 1 : 0;
        return n;
    }

    int count_level(int level) const
    {
        int n = 0;
        for (const Record& r : records())
            n += r.level == level ? 1 : 0;
        return n;
    }

private:
    class Sink : public spdlog::sinks::base_sink<std::mutex>
    {
    public:
        std::vector<Record> records()
        {
            std::lock_guard<std::mutex> guard(mutex_);
            return records_;
        }
        void clear()
        {
            std::lock_guard<std::mutex> guard(mutex_);
            records_.clear();
        }

    protected:
        void sink_it_(const spdlog::details::log_msg& msg) override
        {
            records_.push_back({static_cast<int>(msg.level), std::string(msg.payload.data(), msg.payload.size())});
        }
        void flush_() override {}

    private:
        std::vector<Record> records_;
    };

    static std::shared_ptr<Sink> install()
    {
        const auto dir = std::filesystem::temp_directory_path() / ("kelvara_engine_log_" + std::to_string(::getpid()));
        const std::string base = (dir / "Kelvara").string();
        AppLogger::instance().init(base.c_str());
        auto sink = std::make_shared<Sink>();
        AppLogger::instance().logger()->sinks().push_back(sink);
        return sink;
    }

    std::shared_ptr<Sink> sink_;
};
