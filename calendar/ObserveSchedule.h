#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class QObject;

// Date as the integer yyyyMMdd; 0 for an invalid or null date and for years
// outside 1..9999, which have no 8-digit form.
int dateToInt(const QDate& date);

// roll_forward of the date on trd_calendar; an invalid QDate when the
// calendar cannot place it.
QDate rollForwardDate(const QDate& date);

// The knock-out observation dates from start to expiry as "yyyyMMdd" texts
// joined by "_", each candidate moved onto a trading day by trd_calendar
// (written "0" when the calendar cannot place it), ending with the expiry
// date as given. frequency is "周"/"1W", "双周"/"2W" or "月"/"1M"; any other
// text gives no candidates. The first lockCount - 1 candidates are dropped.
// Failures are raised as a critical message box "观察日参数错误" (no parent)
// and give "".
QString generateObserveDates(const QDate& start, const QDate& expiry, int lockCount,
                             const QString& frequency);

// count values start + i * change joined by "_", each in C's %g (6
// significant digits); "" for count <= 0.
QString stepValues(double start, double change, int count);

// How a value text is spread over rowCount observation dates.
struct ValueSpread
{
    bool single = false;   // one value for every date (shown merged)
    QStringList values;    // the values for the first values.size() dates
};

// Splits valueText on "_" (empty parts dropped). One value: single, no
// message. Otherwise warns (title "请注意：", parented to parent) with
// name + "数量大于观察日数量!" when there are more values than rows, or
// name + "数量小于观察日数量!" when fewer (none included), and returns the
// first min(n, rowCount) values.
ValueSpread spreadValues(const QString& valueText, int rowCount, const QString& name, QObject* parent);
