#include "Calendar.h"

#include "AppLogger.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>

Calendar::Calendar(int id)
    : id_(id)
{
    AppLogger::instance().log(AppLogger::Trace, "Calendar(%d) is created.", id_);
}

bool Calendar::load(const std::string& path)
{
    return load_checked(path).ok();
}

CalendarLoadResult Calendar::load_checked(const std::string& path)
{
    path_ = path;
    CalendarFileContent content;
    last_load_ = read_calendar_file(path, content);
    if (last_load_.ok()) {
        dates_ = std::move(content.dates);
        estimated_years_ = std::move(content.estimated_years);
        AppLogger::instance().log(AppLogger::Info, "Calendar: %d items loaded from %s.",
                                  static_cast<int>(dates_.size()), path.c_str());
    } else {
        AppLogger::instance().log(AppLogger::Critical, "CANT load Calendar from %s.", path.c_str());
    }
    return last_load_;
}

bool Calendar::reaches_estimated_year(int from, int to) const
{
    if (from > to)
        std::swap(from, to);
    const auto it = estimated_years_.lower_bound(from / 10000);
    return it != estimated_years_.end() && *it <= to / 10000;
}

std::pair<int, int> Calendar::find(int date) const
{
    const auto first = std::lower_bound(dates_.begin(), dates_.end(), date);
    const auto after = std::upper_bound(first, dates_.end(), date);
    return {static_cast<int>(first - dates_.begin()), static_cast<int>(after - dates_.begin()) - 1};
}

bool Calendar::is_trading_day(int date) const
{
    if (dates_.empty()) {
        AppLogger::instance().log(AppLogger::Critical, "trd_calendar is NOT initialized.");
        return false;
    }
    const std::pair<int, int> p = find(date);
    return p.first == p.second;
}

int Calendar::trading_day_after(int date, int n) const
{
    if (dates_.empty()) {
        AppLogger::instance().log(AppLogger::Err, "trd_calendar is NOT initialized.");
        return 0;
    }
    if (date < dates_.front() || date > dates_.back()) {
        AppLogger::instance().log(AppLogger::Err, "BASE day exceeds calendar.");
        return 0;
    }
    const std::pair<int, int> p = find(date);
    long long steps = n;
    if (p.first != p.second && steps >= 1)
        --steps;
    const long long i = p.first + steps;  // 64-bit: n may be anywhere in int's range
    if (i < 0 || i >= static_cast<long long>(dates_.size()))
        return 0;
    return dates_[static_cast<std::size_t>(i)];
}

int Calendar::roll_forward(int date) const
{
    if (is_trading_day(date))
        return date;
    return trading_day_after(date, 1);
}

int Calendar::count_trading_days(int from, int to, int include_end) const
{
    if (dates_.empty())
        return -1;
    return find(to).first - find(from).first + include_end;
}

namespace {

std::mutex g_calendar_mutex;
std::atomic<Calendar*> g_calendar{nullptr};

// Creates the process-wide calendar and loads path; the caller holds the mutex.
// Never destroyed: callers may use it up to the very end of the process.
Calendar* createCalendar(const std::string& path, bool& loaded)
{
    Calendar* c = new Calendar(0);
    loaded = c->load(path);
    g_calendar.store(c, std::memory_order_release);
    return c;
}

}  // namespace

Calendar& trd_calendar()
{
    Calendar* c = g_calendar.load(std::memory_order_acquire);
    if (c != nullptr)
        return *c;
    std::lock_guard<std::mutex> guard(g_calendar_mutex);
    c = g_calendar.load(std::memory_order_relaxed);
    if (c == nullptr) {
        bool loaded = false;
        c = createCalendar("trade_calendar.csv", loaded);
    }
    return *c;
}

bool trd_calendar_use_file(const std::string& path)
{
    std::lock_guard<std::mutex> guard(g_calendar_mutex);
    if (g_calendar.load(std::memory_order_relaxed) != nullptr)
        return false;
    bool loaded = false;
    createCalendar(path, loaded);
    return loaded;
}

double year_fraction(const Calendar& cal, int from, int to, double days_per_year)
{
    if (cal.empty())
        return std::numeric_limits<double>::quiet_NaN();
    return (cal.find(to).first - cal.find(from).first) / days_per_year;
}

bool observation_times(const Calendar& calendar, const QString& dates_text, const QString& start,
                       std::vector<double>& obs_times, bool trading_mode, double days_per_year)
{
    const QStringList parts = dates_text.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (trading_mode) {
        // Without a calendar every time would be NaN and the price meaningless.
        if (calendar.empty())
            return false;
        const int from = start.toInt(nullptr, 10);
        for (const QString& part : parts) {
            const double t = year_fraction(calendar, from, part.toInt(nullptr, 10), days_per_year);
            if (!(t < 0))
                obs_times.push_back(t);
        }
        return true;
    }
    const QDate from = QDate::fromString(start, QStringLiteral("yyyyMMdd"));
    for (const QString& part : parts) {
        const QDate d = QDate::fromString(part, QStringLiteral("yyyyMMdd"));
        obs_times.push_back(static_cast<double>(from.daysTo(d)) / 365.0);
    }
    return true;
}
