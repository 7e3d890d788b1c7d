#include "ObserveSchedule.h"

#include "Calendar.h"

#include <QVector>

#include <algorithm>
#include <cstdint>

namespace {

enum class Step { None, Days, Month };

struct Frequency
{
    Step step = Step::None;
    int days = 0;    // step in days (Step::Days)
    int margin = 0;  // a candidate must lie more than this many days before expiry
};

Frequency frequencyOf(const QString& text)
{
    if (text == QStringLiteral("周") || text == QStringLiteral("1W"))
        return {Step::Days, 7, 3};
    if (text == QStringLiteral("双周") || text == QStringLiteral("2W"))
        return {Step::Days, 14, 7};
    if (text == QStringLiteral("月") || text == QStringLiteral("1M"))
        return {Step::Month, 0, 15};
    return {};
}

QDate nextCandidate(const QDate& d, const Frequency& f)
{
    // addMonths keeps the day and clamps it to the target month's end; the
    // clamped day then carries forward (31 Jan -> 29 Feb -> 29 Mar ...).
    return f.step == Step::Month ? d.addMonths(1) : d.addDays(f.days);
}

}  // namespace

int dateToInt(const QDate& date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return 0;
    return date.year() * 10000 + date.month() * 100 + date.day();
}

QDate rollForwardDate(const Calendar& calendar, const QDate& date)
{
    const int rolled = calendar.roll_forward(dateToInt(date));
    if (rolled == 0)
        return QDate();
    return QDate::fromString(QString::number(rolled), QStringLiteral("yyyyMMdd"));
}

GeneratedSchedule generateObserveDates(const Calendar& calendar, const QDate& start, const QDate& expiry,
                                       int lockCount, const QString& frequency)
{
    GeneratedSchedule schedule;
    if (dateToInt(start) == 0) {
        schedule.error = QStringLiteral("无起始日");
        return schedule;
    }
    if (dateToInt(expiry) == 0) {
        schedule.error = QStringLiteral("无到期日");
        return schedule;
    }

    QVector<QDate> candidates;
    const Frequency f = frequencyOf(frequency);
    if (f.step != Step::None) {
        const qint64 end = expiry.toJulianDay();
        for (QDate d = nextCandidate(start, f); d.isValid() && d.toJulianDay() + f.margin < end;
             d = nextCandidate(d, f))
            candidates.append(d);
    }

    // As unsigned 64-bit numbers a negative lock count exceeds any count.
    const std::uint64_t lock = static_cast<std::uint64_t>(static_cast<std::int64_t>(lockCount));
    if (static_cast<std::uint64_t>(candidates.size()) < lock) {
        schedule.error = QStringLiteral("锁定观察数量大于以观察频率取样的日期数量!");
        return schedule;
    }
    const std::int64_t drop = static_cast<std::int64_t>(lockCount) - 1;
    if (drop > 0)
        candidates.remove(0, static_cast<int>(drop));

    QString& result = schedule.dates;
    result.reserve((candidates.size() + 1) * 9);
    for (const QDate& d : candidates) {
        result += QString::number(calendar.roll_forward(dateToInt(d)));
        result += QLatin1Char('_');
    }
    result += expiry.toString(QStringLiteral("yyyyMMdd"));
    return schedule;
}

QString stepValues(double start, double change, int count)
{
    QStringList values;
    for (int i = 0; i < count; ++i)
        values << QString::number(i * change + start, 'g', 6);
    return values.join(QLatin1Char('_'));
}

ValueSpread spreadValues(const QString& valueText, int rowCount, const QString& name)
{
    ValueSpread spread;
    const QStringList values = valueText.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    const int n = values.size();
    if (n == 1) {
        spread.single = true;
        spread.values = values;
        return spread;
    }
    const int rows = std::max(rowCount, 0);
    if (n > rows)
        spread.warning = name + QStringLiteral("数量大于观察日数量!");
    else if (n < rows)
        spread.warning = name + QStringLiteral("数量小于观察日数量!");
    spread.values = values.mid(0, std::min(n, rows));
    return spread;
}
