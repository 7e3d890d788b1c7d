#pragma once

#include "AppLogger.h"

#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

// Opens the application log into a temporary folder and records every line
// from level 0 up as "<level letter> <message>", one per line, so a test can
// assert on what the log says and at which level.
class LogCapture
{
public:
    LogCapture()
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvara_calendar_log_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        AppLogger::instance().init((dir_ / "log" / "Kelvara").string().c_str());
        auto logger = AppLogger::instance().logger();
        sink_ = std::make_shared<spdlog::sinks::ostream_sink_mt>(stream_);
        sink_->set_pattern("%L %v");
        logger->sinks().push_back(sink_);
        // The program drops levels 0 and 1; the tests want to see them.
        logger->set_level(spdlog::level::trace);
    }
    ~LogCapture()
    {
        auto logger = AppLogger::instance().logger();
        auto& sinks = logger->sinks();
        for (auto it = sinks.begin(); it != sinks.end(); ++it) {
            if (*it == sink_) {
                sinks.erase(it);
                break;
            }
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Everything logged since construction or the last clear.
    std::string text() const
    {
        sink_->flush();
        return stream_.str();
    }
    void clear() { stream_.str(std::string()); }

private:
    std::filesystem::path dir_;
    std::ostringstream stream_;
    std::shared_ptr<spdlog::sinks::ostream_sink_mt> sink_;
};
