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
    if (calendar.empty()) {
        schedule.error = QStringLiteral("无法加载交易日历(trade_calendar.csv)，无法预估观察日");
        return schedule;
    }
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

    // Each candidate on its trading day, then the expiry as given.
    const int end = dateToInt(expiry);
    const QString endText = expiry.toString(QStringLiteral("yyyyMMdd"));
    const auto text = [&](int day) { return day == end ? endText : QString::number(day); };
    std::vector<int> rolled;
    QStringList unrolled;
    for (const QDate& d : candidates) {
        rolled.push_back(calendar.roll_forward(dateToInt(d)));
        unrolled << text(dateToInt(d));
    }
    rolled.push_back(end);
    unrolled << endText;
    schedule.unmergedCount = static_cast<int>(rolled.size());

    // A date on (or past) the trading day of the one kept before it joins
    // that one; past the expiry means on it. 0 (placed nowhere) is left for
    // the callers' own refusal.
    QStringList kept;
    int last = 0;
    for (std::size_t i = 0; i < rolled.size(); ++i) {
        const bool isExpiry = i + 1 == rolled.size();
        const int day = rolled[i] != 0 && rolled[i] > end ? end : rolled[i];
        if (!kept.isEmpty() && day != 0 && last != 0 && day <= last) {
            if (schedule.merged.empty() || schedule.merged.back().tradingDay != text(last))
                schedule.merged.push_back({QStringList{unrolled[static_cast<int>(i) - 1]}, text(last)});
            schedule.merged.back().dates << unrolled[static_cast<int>(i)];
            schedule.dropped.push_back(static_cast<int>(i));
            if (isExpiry)
                kept.back() = endText;  // the schedule still ends with the expiry
            continue;
        }
        kept << text(day);
        last = day;
    }
    schedule.dates = kept.join(QLatin1Char('_'));
    return schedule;
}

QString mergeNotice(const GeneratedSchedule& schedule)
{
    QStringList lines;
    for (const MergedObservation& m : schedule.merged)
        lines << QStringLiteral("观察日%1顺延后同为交易日%2，已合并为一个观察日，沿用%3的敲出价格、敲出票息和敲入价格")
                     .arg(m.dates.join(QStringLiteral("、")), m.tradingDay, m.dates.front());
    return lines.join(QLatin1Char('\n'));
}

QString keepFirstOfMerged(const QString& valueText, const GeneratedSchedule& schedule)
{
    QStringList values = valueText.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (schedule.dropped.empty() || values.size() < 2 || values.size() != schedule.unmergedCount)
        return valueText;
    for (auto it = schedule.dropped.rbegin(); it != schedule.dropped.rend(); ++it)
        values.removeAt(*it);
    return values.join(QLatin1Char('_'));
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
