#pragma once

#include <string>

class Calendar;
struct RunContext;

// The trading calendar of a run: chosen at its first use from the first of
// the file named by --calendar, "trade_calendar.csv" in the working directory
// and the copy shipped with the program (run.shippedCalendar), then handed
// out for the rest of the run. Files once read are kept for the process and
// shared by every run that chooses the same one; a file that changed since is
// read again. Throws CliError when none gives a date.
const Calendar& useTradingCalendar(RunContext& run, const std::string& calendarOption);

// The copy shipped beside the program: argv0's folder where there is no
// /proc/self/exe.
std::string calendarBesideProgram(const char* argv0);
