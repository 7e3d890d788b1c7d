#include "StructureSetup.h"

#include "Calendar.h"
#include "CalendarFile.h"
#include "CliCalendar.h"
#include "CliError.h"
#include "CliText.h"
#include "ObserveSchedule.h"
#include "RunContext.h"
#include "StructureNotes.h"

#include <QStringList>

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

QDate rolled(const Calendar& calendar, const QDate& date, const char* option)
{
    const QDate r = rollForwardDate(calendar, date);
    if (!r.isValid())
        throw badInput(std::string(option) + ": " + u8(dateText(date)) +
                       " lies outside the trading calendar " + calendar.path());
    return r;
}

// More than one value must give one value per observation date; the window
// would price a mismatch silently with whatever the engine makes of it.
void checkListLength(const std::vector<double>& values, std::size_t dates, const char* option)
{
    if (values.size() > 1 && values.size() != dates)
        throw badInput(std::string(option) + ": " + std::to_string(values.size()) + " values for " +
                       std::to_string(dates) + " observation dates");
}

void checkLists(const StructureTexts& texts, std::size_t dates)
{
    checkListLength(valueList(texts.ko), dates, "--ko");
    checkListLength(valueList(texts.coupon), dates, "--coupon");
    checkListLength(valueList(texts.ki), dates, "--ki");
}

void checkLevels(const StructureTexts& texts, bool spotOnly)
{
    QString error;
    if (!validateStructure(texts, spotOnly, error))
        throw badInput(u8(QStringLiteral("结构参数错误: ") + error));
}

StructureTexts fieldTexts(const StructureOptions& o)
{
    StructureTexts t;
    t.S = qs(o.spot);
    t.Smax = o.smax.empty() ? defaultSmax(t.S) : qs(o.smax);
    t.vol = qs(o.vol);
    t.rate = qs(o.rate);
    t.q = qs(o.q);
    t.M = qs(o.M);
    t.N = qs(o.N);
    t.yearDays = qs(o.yearDays);
    t.dayMode = DayMode::Trading;
    t.ko = qs(o.ko);
    t.coupon = qs(o.coupon);
    t.ki = qs(o.ki);
    t.divCoupon = qs(o.divCoupon);
    t.floor = qs(o.floor);
    t.strike = qs(o.strike);
    t.participation = qs(o.participation);
    return t;
}

int positiveYearDays(const QString& text)
{
    const int y = text.trimmed().toInt(nullptr, 10);
    if (y <= 0)
        throw badInput("--year-days: must be positive");
    return y;
}

// Every part of a schedule text is a date (a structure file may hold anything).
// Checked without QDate::fromString, which asks the time zone (a stat and a
// process-wide lock) for every date and so serialises a parallel batch.
void checkDatesReadable(const QString& dates)
{
    for (const QString& part : dates.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        const QString t = part.trimmed();
        bool digits = t.size() == 8;
        for (const QChar c : t)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digits || !is_real_date(t.toLongLong()))
            throw badInput("schedule: \"" + u8(part) + "\" is not a date (yyyyMMdd)");
    }
}

// The engine refuses a schedule with a date twice without saying which.
void checkNoRepeatedDate(const QString& dates)
{
    const QStringList parts = dates.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        for (int j = 0; j < i; ++j) {
            if (parts[i].trimmed() == parts[j].trimmed())
                throw badInput("schedule: observation date " + u8(parts[i].trimmed()) + " appears twice (dates " +
                               std::to_string(j + 1) + " and " + std::to_string(i + 1) + ")");
        }
    }
}

// Beyond the calendar's ends the trading days cannot be counted: the engine
// would get times cut off at the last listed day.
void checkWithinCalendar(const Calendar& calendar, const Schedule& s)
{
    const std::vector<int>& days = calendar.dates();
    if (days.empty())
        throw badInput("no trading calendar to count the observation dates with");
    const auto outside = [&days](int date) { return date < days.front() || date > days.back(); };
    QStringList all = s.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    all << dateText(s.start) << dateText(s.expiry);
    for (const QString& part : all) {
        if (outside(part.trimmed().toInt()))
            throw badInput("schedule: " + u8(part) + " lies outside the trading calendar " + calendar.path());
    }
}

// One "warning: ..." line per merge of dates that rolled onto one trading day.
std::string mergeWarnings(const GeneratedSchedule& generated)
{
    std::string lines;
    for (const MergedObservation& m : generated.merged)
        lines += "warning: observation dates " + u8(m.dates.join(QStringLiteral(", "))) +
                 " roll onto the same trading day " + u8(m.tradingDay) +
                 " and are merged into one observation there (with the first one's barriers and coupon)\n";
    return lines;
}

// --obs-times: the engine's terms straight from the options, no calendar.
PreparedStructure prepareTimed(const StructureOptions& o, bool spotOnly)
{
    PreparedStructure p;
    p.dated = false;
    p.form = o.payoffForm();
    p.texts = fieldTexts(o);
    p.texts.dayMode = DayMode::Calendar;  // no dates to count, so no calendar is touched
    const int yearDays = positiveYearDays(p.texts.yearDays);
    p.yearDays = yearDays;

    const std::vector<double> times = numberListOption(o.obsTimes, ',', "--obs-times");
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (!(times[i] > 0))
            throw badInput("--obs-times: observation times must be positive");
        if (i > 0 && times[i] < times[i - 1])
            throw badInput("--obs-times: observation times must not decrease");
    }
    const double T = o.T.empty() ? times.back() : numberOption(o.T, "--T");
    if (!(T > 0))
        throw badInput("--T: the maturity must be positive");
    if (times.back() > T)
        throw badInput("--obs-times: the last observation lies after the maturity --T");
    if (o.N.empty()) {
        // Checked before rounding: a huge maturity must not wrap to a tiny N.
        const double steps = T * yearDays;
        if (!(steps <= static_cast<double>(std::numeric_limits<int>::max())))
            throw badInput("--T/--obs-times: a maturity of " + general(T) + " years gives " + general(steps) +
                           " time steps, more than a grid can have");
        p.texts.N = QString::number(std::max(1L, std::lround(steps)));
    }

    checkLevels(p.texts, spotOnly);
    checkLists(p.texts, times.size());

    p.terms = structureTerms(p.texts, Calendar(-1));  // calendar-day mode counts no trading days
    p.terms.contract.obs_times = times;
    p.terms.params.T = T;
    spreadTermLists(p.terms, p.texts);
    p.terms.obsTimesOk = true;
    return p;
}

}  // namespace

Schedule estimateSchedule(const ScheduleOptions& o, const CommonOptions& common)
{
    const QDate today = common.todayDate();
    const QDate start = o.start.empty() ? today : dateOption(o.start, "--start");
    const QDate expiry = o.expiry.empty() ? today.addYears(1) : dateOption(o.expiry, "--expiry");
    const int lock = integerOption(o.lock, "--lock");
    const Calendar& calendar = useTradingCalendar(*common.run, common.calendar);

    Schedule s;
    s.start = rolled(calendar, start, "--start");
    s.expiry = rolled(calendar, expiry, "--expiry");

    s.generated = generateObserveDates(calendar, s.start, s.expiry, lock, qs(o.freq));
    if (!s.generated.ok())
        throw badInput(u8(scheduleErrorTitle() + QStringLiteral(": ") + s.generated.error));
    s.dates = s.generated.dates;
    if (s.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts).contains(QStringLiteral("0")))
        throw badInput("schedule: an observation date lies outside the trading calendar " + calendar.path());
    common.run->warnings += mergeWarnings(s.generated);
    return s;
}

PreparedStructure prepareDated(const Calendar& calendar, StructureTexts texts, const Schedule& schedule,
                               PayoffForm form, bool spotOnly)
{
    PreparedStructure p;
    p.form = form;
    p.calendar = &calendar;
    p.schedule = schedule;
    p.yearDays = positiveYearDays(texts.yearDays);

    texts.dayMode = DayMode::Trading;
    texts.observeDates = schedule.dates;
    texts.startDate = dateText(schedule.start);
    texts.expiryDate = dateText(schedule.expiry);
    p.tradingDays = calendar.count_trading_days(dateToInt(schedule.start), dateToInt(schedule.expiry), 1);
    texts.T = QString::number(p.tradingDays);
    if (texts.N.trimmed().isEmpty())
        texts.N = QString::number(p.tradingDays - 1);
    p.texts = texts;

    checkDatesReadable(schedule.dates);
    checkNoRepeatedDate(schedule.dates);
    QString error;
    if (!validateObserveDates(texts, error))
        throw badInput(u8(QStringLiteral("观察日参数错误: ") + error));
    checkWithinCalendar(calendar, schedule);
    checkLevels(texts, spotOnly);

    p.terms = structureTerms(texts, calendar);
    if (!p.terms.obsTimesOk)
        throw badInput("no trading calendar to count the observation dates with");
    if (p.terms.contract.obs_times.empty())
        throw badInput("schedule: no observation date after the start date");
    checkLists(texts, p.terms.contract.obs_times.size());
    return p;
}

namespace {

PreparedStructure prepareScheduled(const StructureOptions& o, const CommonOptions& common, bool spotOnly)
{
    Schedule schedule;
    const Calendar* calendar = nullptr;
    if (!o.dates.empty()) {
        const std::vector<QDate> dates = dateListOption(o.dates, "--dates");
        const QDate today = common.todayDate();
        const QDate start = o.schedule.start.empty() ? today : dateOption(o.schedule.start, "--start");
        calendar = &useTradingCalendar(*common.run, common.calendar);
        schedule.start = rolled(*calendar, start, "--start");
        // The dates are taken as typed, like dates typed into the editor's table.
        schedule.expiry =
            o.schedule.expiry.empty() ? dates.back()
                                      : rolled(*calendar, dateOption(o.schedule.expiry, "--expiry"), "--expiry");
        QStringList texts;
        for (const QDate& d : dates)
            texts << dateText(d);
        schedule.dates = texts.join(QLatin1Char('_'));
    } else {
        schedule = estimateSchedule(o.schedule, common);
        calendar = &useTradingCalendar(*common.run, common.calendar);
    }
    // Lists written for the dates before merging keep each merged date's first value.
    StructureTexts texts = fieldTexts(o);
    texts.ko = keepFirstOfMerged(texts.ko, schedule.generated);
    texts.coupon = keepFirstOfMerged(texts.coupon, schedule.generated);
    texts.ki = keepFirstOfMerged(texts.ki, schedule.generated);
    return prepareDated(*calendar, texts, schedule, o.payoffForm(), spotOnly);
}

}  // namespace

PreparedStructure prepareStructure(const StructureOptions& o, const CommonOptions& common, bool spotOnly,
                                   PricingMethod method)
{
    PreparedStructure p = o.obsTimes.empty() ? prepareScheduled(o, common, spotOnly) : prepareTimed(o, spotOnly);
    p.trace = common.verbose;
    p.method = method;
    common.run->warnings += notesText(structureNotes(p), p, std::string());
    return p;
}

Json structureJson(const PreparedStructure& p)
{
    Json j;
    const PDEParams& params = p.terms.params;
    j["spot"] = params.S0;
    j["smax"] = params.S_max;
    j["sigma"] = params.sigma;
    j["r"] = params.r;
    j["q"] = params.q;
    j["T"] = params.T;
    j["M"] = params.M;
    j["N"] = params.N;
    const SnowballContract& c = p.terms.contract;
    j["type"] = p.form == PayoffForm::Option ? "option" : "note";
    j["obs_times"] = c.obs_times;
    j["ko_barrier"] = c.ko_barrier;
    j["ko_coupon"] = c.ko_coupon;
    j["ki_barrier"] = c.ki_barrier;
    j["div_coupon"] = c.div_coupon;
    j["floor"] = c.floor_price;
    j["strike"] = c.call_strike;
    j["participation"] = c.call_participation;
    if (p.dated) {
        j["start"] = u8(dateText(p.schedule.start));
        j["expiry"] = u8(dateText(p.schedule.expiry));
        j["dates"] = u8(p.schedule.dates);
        j["trading_days"] = p.tradingDays;
    }
    return j;
}
