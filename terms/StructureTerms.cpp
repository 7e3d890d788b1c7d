#include "StructureTerms.h"

#include "Calendar.h"

#include <QStringList>

#include <cmath>

double fieldNumber(const QString& text)
{
    return text.toDouble();  // 0 when not a number
}

int fieldInt(const QString& text)
{
    return text.toInt(nullptr, 10);
}

QString defaultSmax(const QString& spot)
{
    return QString::number(2 * fieldNumber(spot), 'f', 3);
}

std::vector<double> valueList(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    std::vector<double> values;
    values.reserve(static_cast<size_t>(parts.size()));
    for (const QString& part : parts)
        values.push_back(fieldNumber(part));
    return values;
}

double maturityYears(double days, DayMode mode, int yearDays)
{
    if (mode == DayMode::Trading)
        return (days - 1) / yearDays;
    return days / 365.0;
}

namespace {

// One value stands for every observation date; longer lists stay as typed.
std::vector<double> spreadOverDates(std::vector<double> values, size_t dates)
{
    if (values.size() == 1 && dates > 1)
        values.assign(dates, values.front());
    return values;
}

int dateNumber(const QString& yyyymmdd)
{
    return yyyymmdd.trimmed().toInt(nullptr, 10);
}

}  // namespace

StructureTerms structureTerms(const StructureTexts& texts, const Calendar& calendar)
{
    StructureTerms terms;
    const int yearDays = fieldInt(texts.yearDays);

    PDEParams& p = terms.params;
    p.S0 = fieldNumber(texts.S);
    p.S_max = fieldNumber(texts.Smax);
    p.sigma = fieldNumber(texts.vol) / 100;
    p.r = fieldNumber(texts.rate) / 100;
    p.q = fieldNumber(texts.q) / 100;
    p.T = maturityYears(fieldNumber(texts.T), texts.dayMode, yearDays);
    p.M = fieldInt(texts.M);
    p.N = fieldInt(texts.N);

    SnowballContract& c = terms.contract;
    c.div_coupon = fieldNumber(texts.divCoupon) / 100;
    c.floor_price = fieldNumber(texts.floor);
    c.call_strike = fieldNumber(texts.strike);
    c.call_participation = fieldNumber(texts.participation);

    terms.obsTimesOk = observation_times(calendar, texts.observeDates, texts.startDate, c.obs_times,
                                         texts.dayMode == DayMode::Trading, yearDays);

    spreadTermLists(terms, texts);
    return terms;
}

void spreadTermLists(StructureTerms& terms, const StructureTexts& texts)
{
    SnowballContract& c = terms.contract;
    const size_t dates = c.obs_times.size();
    c.ko_barrier = spreadOverDates(valueList(texts.ko), dates);
    c.ko_coupon = spreadOverDates(valueList(texts.coupon), dates);
    c.ki_barrier = spreadOverDates(valueList(texts.ki), dates);
    for (double& coupon : c.ko_coupon)
        coupon *= 0.01;
}

PricingRequest pricingRequest(const StructureTerms& terms, PayoffForm form, int yearDays, PricingMethod method)
{
    PricingRequest r;
    r.contract = terms.contract;
    r.contract.form = form;
    r.model = terms.params;
    r.year_days = yearDays;
    r.method = method;
    return r;
}

namespace {

// Theta per year to per day, Vega and Rho per 1.00 to per point.
LookupGreeks inWindowUnits(double price, double delta, double gamma, double theta, double vega, double rho,
                           double yearDays)
{
    LookupGreeks g;
    g.price = price;
    g.delta = delta;
    g.gamma = gamma;
    g.theta = theta / yearDays;
    g.vega = vega * 0.01;
    g.rho = rho * 0.01;
    return g;
}

}  // namespace

LookupGreeks lookupGreeks(const GreeksValuation& raw, double yearDays)
{
    return inWindowUnits(raw.price, raw.delta, raw.gamma, raw.theta, raw.vega, raw.rho, yearDays);
}

bool validateObserveDates(const StructureTexts& texts, QString& error)
{
    const int start = dateNumber(texts.startDate);
    if (start == 0) {
        error = QStringLiteral("无起始日");
        return false;
    }
    const int expiry = dateNumber(texts.expiryDate);
    if (expiry == 0) {
        error = QStringLiteral("无到期日");
        return false;
    }
    const QString schedule = texts.observeDates.trimmed();
    if (schedule.isEmpty()) {
        error = QStringLiteral("无敲出观察日");
        return false;
    }
    const QStringList parts = schedule.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        error = QStringLiteral("敲出观察日数量小于1");
        return false;
    }
    std::vector<int> dates;
    dates.reserve(static_cast<size_t>(parts.size()));
    for (const QString& part : parts)
        dates.push_back(dateNumber(part));
    if (dates.front() <= start) {
        error = QStringLiteral("首次敲出观察日小于起始日");
        return false;
    }
    if (dates.back() != expiry) {
        error = QStringLiteral("最后敲出观察日与到期日不符");
        return false;
    }
    for (size_t i = 1; i < dates.size(); ++i) {
        if (dates[i] < dates[i - 1]) {
            error = QStringLiteral("敲出观察日未按顺序递增");
            return false;
        }
    }
    return true;
}

bool validateStructure(const StructureTexts& texts, bool spotOnly, QString& error)
{
    const double S = fieldNumber(texts.S);
    const double KI = fieldNumber(texts.ki);
    // A barrier list is judged by its first barrier.
    const int cut = texts.ko.indexOf(QLatin1Char('_'));
    const double KO = fieldNumber(cut >= 0 ? texts.ko.left(cut) : texts.ko);

    if (std::isnan(S)) {
        error = QStringLiteral("无效的标的价格");
        return false;
    }
    if (spotOnly)
        return true;
    if (std::isnan(KI)) {
        error = QStringLiteral("无效的敲入参数");
        return false;
    }
    if (KI >= S) {
        error = QStringLiteral("敲入价格应小于标的价格");
        return false;
    }
    if (std::isnan(KO)) {
        error = QStringLiteral("无效的敲出参数");
        return false;
    }
    if (S > KO) {
        error = QStringLiteral("敲出价格应大于标的价格");
        return false;
    }
    return true;
}
