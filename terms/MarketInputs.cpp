#include "MarketInputs.h"

#include "Calendar.h"

#include <utility>

namespace {

QString dateText(int date) { return QString::number(date); }

std::vector<double> column(const MarketTable& table)
{
    std::vector<double> values;
    for (const std::vector<double>& row : table.values)
        values.push_back(row.front());
    return values;
}

// An engine refusal of the points, placed on the file's line.
template <class T>
bool built(const MarketResult<T>& result, const MarketTable& table, QString& error)
{
    if (result.ok())
        return true;
    const QString why = QString::fromStdString(result.error);
    error = result.point >= 0 && result.point < static_cast<int>(table.keys.size())
                ? QStringLiteral("%1 line %2: %3").arg(table.name).arg(table.keys[result.point].line).arg(why)
                : QStringLiteral("%1: %2").arg(table.name, why);
    return false;
}

// The one-input-each rules, on which inputs are there; empty when they hold.
QString conflicting(bool dividends, bool futures, int volatilities)
{
    if (dividends && futures)
        return QStringLiteral("a dividend curve and futures both give the dividend yield: use one");
    if (volatilities > 1)
        return QStringLiteral("a volatility curve, a local volatility grid and a volatility surface each give the "
                              "volatility: use one");
    return QString();
}

}  // namespace

bool marketKeyTimes(const MarketTable& table, const Calendar& calendar, int valuationDate, int yearDays,
                    std::vector<double>& times, QString& error)
{
    times.clear();
    for (const MarketKey& key : table.keys) {
        if (!key.is_date) {
            times.push_back(key.years);
            continue;
        }
        const auto at = [&](const QString& what) {
            error = QStringLiteral("%1 line %2: %3").arg(table.name).arg(key.line).arg(what);
            return false;
        };
        if (calendar.empty())
            return at(QStringLiteral("the date %1 needs the trading calendar, which is not loaded").arg(key.date));
        const std::vector<int>& dates = calendar.dates();
        if (key.date < dates.front() || key.date > dates.back())
            return at(QStringLiteral("the date %1 lies outside the trading calendar (%2 to %3)")
                          .arg(key.date)
                          .arg(dateText(dates.front()), dateText(dates.back())));
        if (key.date <= valuationDate)
            return at(QStringLiteral("the date %1 is at or before the valuation date %2")
                          .arg(key.date)
                          .arg(valuationDate));
        const double t = year_fraction(calendar, valuationDate, key.date, yearDays);
        if (!(t > 0.0))
            return at(QStringLiteral("the date %1 is no trading day after the valuation date %2")
                          .arg(key.date)
                          .arg(valuationDate));
        times.push_back(t);
    }
    return true;
}

bool MarketFiles::any() const
{
    return !rates.isEmpty() || !dividends.isEmpty() || !futures.isEmpty() || !volatilityCurve.isEmpty() ||
           !localVolatility.isEmpty() || !volatilitySurface.isEmpty();
}

MarketBuild marketFromFiles(const MarketFiles& files, const PDEParams& params, const Calendar& calendar,
                            int valuationDate, int yearDays)
{
    MarketBuild b;
    b.message = conflicting(!files.dividends.isEmpty(), !files.futures.isEmpty(),
                            !files.volatilityCurve.isEmpty() + !files.localVolatility.isEmpty() +
                                !files.volatilitySurface.isEmpty());
    if (!b.message.isEmpty())
        return b;
    MarketTables tables;
    // The surface first: its quotes are refused before any curve is built.
    const struct
    {
        const QString& path;
        MarketFileKind kind;
        std::optional<MarketTable>& table;
    } reads[] = {{files.volatilitySurface, MarketFileKind::VolatilitySurface, tables.volatilitySurface},
                 {files.rates, MarketFileKind::Rates, tables.rates},
                 {files.dividends, MarketFileKind::Rates, tables.dividends},
                 {files.futures, MarketFileKind::Futures, tables.futures},
                 {files.volatilityCurve, MarketFileKind::VolatilityCurve, tables.volatilityCurve},
                 {files.localVolatility, MarketFileKind::LocalVolatility, tables.localVolatility}};
    for (const auto& r : reads) {
        if (r.path.isEmpty())
            continue;
        MarketFileRead file = readMarketFile(r.path, r.kind);
        if (!file.ok) {
            b.message = file.message;
            return b;
        }
        r.table = std::move(file.table);
    }
    return marketFromTables(tables, params, calendar, valuationDate, yearDays);
}

MarketBuild marketFromTables(const MarketTables& tables, const PDEParams& params, const Calendar& calendar,
                             int valuationDate, int yearDays)
{
    MarketBuild b;
    b.message = conflicting(tables.dividends.has_value(), tables.futures.has_value(),
                            tables.volatilityCurve.has_value() + tables.localVolatility.has_value() +
                                tables.volatilitySurface.has_value());
    if (!b.message.isEmpty())
        return b;
    std::vector<VolQuote> quotes;
    if (tables.volatilitySurface &&
        !surfaceQuotes(*tables.volatilitySurface, calendar, valuationDate, yearDays, quotes, b.message))
        return b;
    MarketResult<MarketModel> flat = MarketModel::flat(params);
    if (!flat.ok()) {
        b.message = QString::fromStdString(flat.error);
        return b;
    }
    MarketModel model = *flat.value;
    const MarketTable* table = nullptr;
    std::vector<double> times;
    QString& error = b.message;
    // One file: its keys timed, the input built (build) and put into the
    // model (use); true when there is no file.
    const auto apply = [&](const std::optional<MarketTable>& file, const auto& build, const auto& use) {
        if (!file)
            return true;
        table = &*file;
        if (!marketKeyTimes(*table, calendar, valuationDate, yearDays, times, error))
            return false;
        const auto input = build();
        if (!built(input, *table, error))
            return false;
        model = use(*input.value);
        return true;
    };
    const auto zeroRates = [&] { return RateCurve::from_zero_rates(times, column(*table)); };
    const bool ok =
        apply(tables.rates, zeroRates, [&](const RateCurve& c) { return model.with_rates(c); }) &&
        apply(tables.dividends, zeroRates, [&](const RateCurve& c) { return model.with_dividends(c); }) &&
        apply(tables.futures,
              [&] { return dividend_curve_from_futures(model.rates(), times, column(*table), params.S0); },
              [&](const RateCurve& c) { return model.with_dividends(c); }) &&
        apply(tables.volatilityCurve, [&] { return VolatilityTermCurve::from_black_vols(times, column(*table)); },
              [&](const VolatilityTermCurve& c) { return model.with_volatility(c); }) &&
        apply(tables.localVolatility,
              [&] { return LocalVolGrid::from_rows(table->levels, times, table->values); },
              [&](const LocalVolGrid& g) { return model.with_volatility(g); });
    if (!ok)
        return b;
    if (tables.volatilitySurface)
        return marketWithSurface(model, quotes);
    b.model = model;
    return b;
}

bool surfaceQuotes(const QString& path, const Calendar& calendar, int valuationDate, int yearDays,
                   std::vector<VolQuote>& quotes, QString& error, std::vector<MarketKey>* keys)
{
    const MarketFileRead read = readMarketFile(path, MarketFileKind::VolatilitySurface);
    if (!read.ok) {
        error = read.message;
        return false;
    }
    if (!surfaceQuotes(read.table, calendar, valuationDate, yearDays, quotes, error))
        return false;
    if (keys)
        *keys = read.table.keys;
    return true;
}

bool surfaceQuotes(const MarketTable& table, const Calendar& calendar, int valuationDate, int yearDays,
                   std::vector<VolQuote>& quotes, QString& error)
{
    std::vector<double> times;
    if (!marketKeyTimes(table, calendar, valuationDate, yearDays, times, error))
        return false;
    quotes.clear();
    for (std::size_t i = 0; i < times.size(); ++i)
        quotes.push_back({times[i], table.values[i][0], table.values[i][1],
                          QStringLiteral("%1 line %2").arg(table.name).arg(table.keys[i].line).toStdString()});
    return true;
}

MarketBuild marketWithSurface(const MarketModel& curves, const std::vector<VolQuote>& quotes)
{
    MarketBuild b;
    const ForwardCurve forward = curves.forward_curve();
    auto c = std::make_shared<SurfaceCalibration>(calibrate_surface(quotes, curves.spot(), forward));
    std::string error;
    if (!c->ok())
        error = c->error;
    else if (!reprice_quotes(*c, *c->local_vol, forward, error))
        error = "the quotes cannot be repriced: " + error;
    if (!error.empty()) {
        b.message = QStringLiteral("the volatility surface: %1").arg(QString::fromStdString(error));
        return b;
    }
    MarketResult<MarketModel> model = curves.with_volatility(c->local_vol, "local volatility (surface)");
    if (!model.ok()) {
        b.message = QString::fromStdString(model.error);
        return b;
    }
    b.model = *model.value;
    b.surface = c;
    return b;
}
