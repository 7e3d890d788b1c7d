#include "CliCalendar.h"

#include "Calendar.h"
#include "CliError.h"
#include "RunContext.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

namespace {

const char* const kCalendarFile = "trade_calendar.csv";

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// When and how large a file was: a calendar file that changed since it was
// read is read again.
struct FileStamp
{
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;

    bool operator==(const FileStamp& o) const { return modified == o.modified && size == o.size; }
};

FileStamp stamp(const std::string& path)
{
    std::error_code ec;
    return FileStamp{std::filesystem::last_write_time(path, ec), std::filesystem::file_size(path, ec)};
}

struct LoadedCalendar
{
    std::shared_ptr<const Calendar> calendar;
    FileStamp read;
};

// Calendars keep the path they were read from (it names them in messages),
// so the key is that text together with the file it reaches from here.
using CalendarKey = std::pair<std::string, std::string>;

std::mutex g_loadedLock;
std::map<CalendarKey, LoadedCalendar> g_loaded;

std::shared_ptr<const Calendar> load(const std::string& path, bool named)
{
    std::error_code ec;
    const CalendarKey key{path, std::filesystem::absolute(path, ec).string()};
    const FileStamp now = stamp(path);
    std::lock_guard<std::mutex> guard(g_loadedLock);
    const auto found = g_loaded.find(key);
    if (found != g_loaded.end() && found->second.read == now)
        return found->second.calendar;
    auto calendar = std::make_shared<Calendar>(0);
    const CalendarLoadResult result = calendar->load_checked(path);
    if (!result.ok())
        throw badInput((named ? std::string("--calendar: ") : std::string("trading calendar: ")) + result.message);
    g_loaded[key] = LoadedCalendar{calendar, now};
    return calendar;
}

}  // namespace

const Calendar& useTradingCalendar(RunContext& run, const std::string& calendarOption)
{
    if (run.calendar)
        return *run.calendar;

    std::string path;
    if (!calendarOption.empty()) {
        path = calendarOption;  // the reader says what it is when it is no file to read
    } else if (isFile(kCalendarFile)) {
        path = kCalendarFile;
    } else {
        path = run.shippedCalendar;
        if (!isFile(path))
            throw badInput(
                "no trading calendar: give --calendar FILE or put trade_calendar.csv in the "
                "working directory");
    }
    run.calendar = load(path, !calendarOption.empty());
    return *run.calendar;
}

std::string calendarBesideProgram(const char* argv0)
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        if (argv0 == nullptr || *argv0 == '\0')
            return std::string();
        exe = std::filesystem::absolute(argv0, ec);
        if (ec)
            return std::string();
    }
    return (exe.parent_path() / kCalendarFile).string();
}
