#pragma once

#include <istream>
#include <set>
#include <string>
#include <vector>

// Reading and checking a trading calendar file: the declaration line (its
// first column an i column), then one yyyyMMdd date per line in the first
// column. Every date must exist and come strictly after the one before; a
// file that breaks this is refused as a whole, naming the line, since a
// repeated or misplaced date would silently shift every trading-day count.
// Comment lines start with "#"; "# YYYY: ESTIMATED ..." marks a year whose
// holidays were estimated rather than published. Plain C++ (no Qt), so the
// fuzzer runs it alone.

enum class CalendarLoadStatus {
    Ok,
    Unreadable,  // the file cannot be opened or read, is no regular file or is too large
    Empty,       // nothing in it, or no date after the declaration
    Malformed,   // a bad declaration, a line that is no date, dates out of order or repeated
};

struct CalendarLoadResult
{
    CalendarLoadStatus status = CalendarLoadStatus::Ok;
    std::string message;  // for people: the file, the line and what is wrong; empty when Ok
    int line = 0;         // the offending line (1-based), 0 when none

    bool ok() const { return status == CalendarLoadStatus::Ok; }
};

// The dates and the estimated years of one calendar file.
struct CalendarFileContent
{
    std::vector<int> dates;
    std::set<int> estimated_years;
};

// name is used in the messages only.
CalendarLoadResult read_calendar(std::istream& in, const std::string& name, CalendarFileContent& out);
CalendarLoadResult read_calendar_file(const std::string& path, CalendarFileContent& out);

// Whether yyyyMMdd is a day of the Gregorian calendar (years 1..9999).
bool is_real_date(long long yyyymmdd);
