#include "CliCalendar.h"

#include "Calendar.h"
#include "CliError.h"

#include <filesystem>
#include <system_error>

namespace {

std::string loadedFrom;
std::string programPath;
bool tried = false;

const char* const kCalendarFile = "trade_calendar.csv";

std::string besideExecutable()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        if (programPath.empty())
            return std::string();
        exe = std::filesystem::absolute(programPath, ec);
        if (ec)
            return std::string();
    }
    return (exe.parent_path() / kCalendarFile).string();
}

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

const Calendar& useTradingCalendar(const std::string& calendarOption)
{
    if (tried) {
        if (loadedFrom.empty())
            throw badInput("no trading calendar could be loaded");
        return trd_calendar();
    }
    tried = true;

    std::string path;
    if (!calendarOption.empty()) {
        path = calendarOption;  // the reader says what it is when it is no file to read
    } else if (isFile(kCalendarFile)) {
        path = kCalendarFile;
    } else {
        path = besideExecutable();
        if (!isFile(path))
            throw badInput(
                "no trading calendar: give --calendar FILE or put trade_calendar.csv in the "
                "working directory");
    }
    if (!trd_calendar_use_file(path))
        throw badInput((calendarOption.empty() ? std::string("trading calendar: ") : std::string("--calendar: ")) +
                       trd_calendar().last_load().message);
    loadedFrom = path;
    return trd_calendar();
}

void setProgramPath(const char* argv0) { programPath = argv0 ? argv0 : ""; }

const std::string& tradingCalendarPath() { return loadedFrom; }
