#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace spdlog { class logger; }

// Process-wide application log: a colour console sink and a daily file sink
// under one spdlog logger named "multi_sink". Levels 0..5 are spdlog's
// trace, debug, info, warn, err, critical.
class AppLogger
{
public:
    enum Level { Trace = 0, Debug = 1, Info = 2, Warn = 3, Err = 4, Critical = 5 };

    static AppLogger& instance();

    // Builds the sinks and the logger; base "log/Kelvara" writes
    // log/Kelvara_YYYY-MM-DD.log. If the day's file cannot be opened the log
    // keeps the console sink alone and says so on the console.
    void init(const char* base);

    // printf-style; the text is cut to 510 characters. False before init.
    bool log(int level, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;

    // Whether init could not open the day's log file (the log then goes to
    // the console only), and why; for the window to tell the user.
    bool file_failed() const;
    std::string file_error() const;

    // The logger itself, for tests and for sinks added by a front end.
    std::shared_ptr<spdlog::logger> logger() const;

    AppLogger(const AppLogger&) = delete;
    AppLogger& operator=(const AppLogger&) = delete;

private:
    AppLogger() = default;
    ~AppLogger();

    mutable std::mutex lock_;
    std::shared_ptr<spdlog::logger> logger_;
    std::string file_error_;
};
