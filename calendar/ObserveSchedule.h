#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

class Calendar;

// Title of the messages a schedule failure is shown with.
inline QString scheduleErrorTitle() { return QStringLiteral("观察日参数错误"); }

// Date as the integer yyyyMMdd; 0 for an invalid or null date and for years
// outside 1..9999, which have no 8-digit form.
int dateToInt(const QDate& date);

// roll_forward of the date on the calendar; an invalid QDate when the
// calendar cannot place it.
QDate rollForwardDate(const Calendar& calendar, const QDate& date);

// Dates that rolled onto one trading day and became one observation there.
struct MergedObservation
{
    QStringList dates;  // yyyyMMdd before rolling, in order (the expiry last when it is one of them)
    QString tradingDay;  // yyyyMMdd they all fell on
};

// A generated schedule, or why there is none (shown as a critical message
// titled scheduleErrorTitle()).
struct GeneratedSchedule
{
    QString dates;
    QString error;
    // Merges the user is to be told about (mergeNotice).
    std::vector<MergedObservation> merged;
    // The schedule before merging: its number of dates, and the positions in
    // it of the dates merged into the one before them.
    int unmergedCount = 0;
    std::vector<int> dropped;
    bool ok() const { return error.isEmpty(); }
};

// The knock-out observation dates from start to expiry as "yyyyMMdd" texts
// joined by "_", each candidate moved onto a trading day by the calendar
// (written "0" when the calendar cannot place it), ending with the expiry
// date as given. frequency is "周"/"1W", "双周"/"2W" or "月"/"1M"; any other
// text gives no candidates. The first lockCount - 1 candidates are dropped.
// Candidates that roll onto the trading day of the one before them (a short
// period across a long holiday), or onto the expiry or past it, are merged
// into one observation, so that no date appears twice. An empty calendar
// (none could be loaded) is refused: it would place every date at "0".
GeneratedSchedule generateObserveDates(const Calendar& calendar, const QDate& start, const QDate& expiry,
                                       int lockCount, const QString& frequency);

// For the user: one line per merge, in the window's words, saying that the
// first date's barriers and coupon are kept. Empty without merges.
QString mergeNotice(const GeneratedSchedule& schedule);

// A value text written for the schedule before merging (one value per
// unmerged date) with the values of the merged-away dates dropped, so each
// merged observation keeps its first date's value. Other texts unchanged.
QString keepFirstOfMerged(const QString& valueText, const GeneratedSchedule& schedule);

// count values start + i * change joined by "_", each in C's %g (6
// significant digits); "" for count <= 0.
QString stepValues(double start, double change, int count);

// How a value text is spread over rowCount observation dates.
struct ValueSpread
{
    bool single = false;   // one value for every date (shown merged)
    QStringList values;    // the values for the first values.size() dates
    QString warning;       // a count that does not fit, shown titled "请注意："
};

// Splits valueText on "_" (empty parts dropped). One value: single, no
// warning. Otherwise the warning is name + "数量大于观察日数量!" when there
// are more values than rows, or name + "数量小于观察日数量!" when fewer (none
// included), and the values are the first min(n, rowCount).
ValueSpread spreadValues(const QString& valueText, int rowCount, const QString& name);
