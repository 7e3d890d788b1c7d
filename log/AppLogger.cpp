#include "AppLogger.h"

#include <spdlog/sinks/ansicolor_sink.h>
#include <spdlog/sinks/daily_file_sink.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/spdlog.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kLoggerName = "multi_sink";
const char* const kPattern = "[%m-%d %H:%M:%S.%e][%^%L%$][%t] %v";

}  // namespace

AppLogger& AppLogger::instance()
{
    static AppLogger the_instance;
    return the_instance;
}

AppLogger::~AppLogger() = default;

void AppLogger::init(const char* base)
{
    const std::string file = (base == nullptr || *base == '\0') ? std::string("sp.log")
                                                                : std::string(base) + ".log";

    auto console = std::make_shared<spdlog::sinks::ansicolor_stdout_sink_mt>();
    console->set_level(spdlog::level::info);

    std::vector<spdlog::sink_ptr> sinks{console};
    std::string file_error;
    try {
        auto daily = std::make_shared<spdlog::sinks::daily_file_sink_mt>(file, 23, 59, false, 0);
        daily->set_level(spdlog::level::trace);
        sinks.push_back(daily);
    } catch (const std::exception& e) {
        // A read-only working directory must not stop the calculator.
        file_error = e.what();
    }

    auto logger = std::make_shared<spdlog::logger>(kLoggerName, sinks.begin(), sinks.end());
    logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(
        kPattern, spdlog::pattern_time_type::local, std::string("\r\n")));
    logger->flush_on(spdlog::level::err);

    // init may run again (tests); the registry keeps one logger per name.
    spdlog::drop(kLoggerName);
    spdlog::set_default_logger(logger);
    spdlog::flush_every(std::chrono::seconds(5));

    {
        std::lock_guard<std::mutex> guard(lock_);
        logger_ = logger;
        file_error_ = file_error;
    }

    if (!file_error.empty())
        logger->warn("Log file disabled, console only: {}", file_error);
}

bool AppLogger::log(int level, const char* format, ...)
{
    std::lock_guard<std::mutex> guard(lock_);

    char buffer[512] = {0};
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, 511, format, args);
    va_end(args);

    if (!logger_)
        return false;
    if (level >= spdlog::level::trace && level <= spdlog::level::critical)
        logger_->log(static_cast<spdlog::level::level_enum>(level), spdlog::string_view_t(buffer));
    return true;
}

bool AppLogger::file_failed() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return !file_error_.empty();
}

std::string AppLogger::file_error() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return file_error_;
}

std::shared_ptr<spdlog::logger> AppLogger::logger() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return logger_;
}
