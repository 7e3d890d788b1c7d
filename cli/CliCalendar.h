#pragma once

#include <string>

class Calendar;

// Loads the process-wide trading calendar once, from the first of: the file
// named by --calendar, "trade_calendar.csv" in the working directory, the
// copy shipped beside the executable, and returns it: the one place the CLI
// reaches the process-wide calendar. Throws CliError when none gives a date.
const Calendar& useTradingCalendar(const std::string& calendarOption);

// Where the program was started from (argv[0]), for systems without
// /proc/self/exe.
void setProgramPath(const char* argv0);

// The file the calendar was loaded from ("" before useTradingCalendar).
const std::string& tradingCalendarPath();
