#pragma once

#include "CalendarFile.h"

#include <QString>

#include <set>
#include <string>
#include <utility>
#include <vector>

// A trading calendar: the ascending list of trading dates, each written as
// the integer yyyyMMdd (so integer order is date order), read from a typed
// CSV file whose first column is an i column. A file whose dates are not
// real, not strictly ascending or repeated is refused (CalendarFile.h).
class Calendar
{
public:
    explicit Calendar(int id);

    // Replaces the dates by the first column (an i column) of every record of
    // the file. True when at least one date was read; on failure the dates are
    // kept.
    bool load(const std::string& path);
    // The same, saying why a file was refused (unreadable, empty, malformed
    // with the line). Also read: the years the file marks as estimated.
    CalendarLoadResult load_checked(const std::string& path);
    // The outcome of the last load.
    const CalendarLoadResult& last_load() const { return last_load_; }

    // Years whose holidays the file marks "# YYYY: ESTIMATED".
    const std::set<int>& estimated_years() const { return estimated_years_; }
    // Whether the dates from..to (yyyyMMdd, either order) reach into such a year.
    bool reaches_estimated_year(int from, int to) const;

    // (first, last): first is the index of the first date not below date,
    // last the index of the last date not above it. Equal when date is a
    // trading day; (0, -1) below the first date; (size, size-1) above the last.
    std::pair<int, int> find(int date) const;

    bool is_trading_day(int date) const;
    // The n-th trading day after date (n = 0: date itself when it trades;
    // for a non-trading date the next trading day counts as the first step).
    // 0 when the calendar is empty, date lies outside the calendar's span, or
    // the result would lie past either end.
    int trading_day_after(int date, int n) const;
    // date itself when it trades, else the next trading day; 0 when that is
    // not in the calendar.
    int roll_forward(int date) const;
    // Trading days d with from <= d < to, plus include_end (0 or 1); -1 on an
    // empty calendar.
    int count_trading_days(int from, int to, int include_end) const;

    bool empty() const { return dates_.empty(); }
    const std::vector<int>& dates() const { return dates_; }
    int id() const { return id_; }
    const std::string& path() const { return path_; }

private:
    int id_;
    std::string path_;
    std::vector<int> dates_;
    std::set<int> estimated_years_;
    CalendarLoadResult last_load_;
};

// The process-wide trading calendar (id 0). The first call creates it and
// loads "trade_calendar.csv" from the working directory; the load is
// attempted exactly once, and a failed one leaves the calendar empty.
Calendar& trd_calendar();

// Lets a front end choose the calendar file before first use: creates the
// process-wide calendar and loads path into it. Returns false when the
// calendar already existed (nothing changes) or the file gave no date (the
// calendar stays empty; the default file is not tried).
bool trd_calendar_use_file(const std::string& path);

// (first(to) - first(from)) / days_per_year on the calendar: the trading
// days from "from" (counted) to "to" (not counted) in years, negative when to
// lies before from; NaN on an empty calendar.
double year_fraction(const Calendar& calendar, int from, int to, double days_per_year);

// Appends the observation times in years of the "_"-separated yyyyMMdd dates
// (empty parts dropped) counted from start (yyyyMMdd).
// Trading mode: year_fraction from start to each date; dates before start are
// dropped. Returns false and appends nothing when the calendar is empty.
// Calendar mode: calendar days / 365.0, negative times kept. Returns true.
bool observation_times(const Calendar& calendar, const QString& dates_text, const QString& start,
                       std::vector<double>& obs_times, bool trading_mode, double days_per_year);
