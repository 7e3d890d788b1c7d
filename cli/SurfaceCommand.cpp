#include "CommandSupport.h"

#include "CliCalendar.h"
#include "CliError.h"
#include "CliText.h"
#include "LocalVolGridExport.h"
#include "MarketInputs.h"
#include "StructureTerms.h"

#include "Calendar.h"

#include <chrono>
#include <map>

namespace {

// The implied volatility surface on its own: the fit, its repricing by the
// local-volatility solver and the exported local volatility grid.
struct SurfaceCommand
{
    CommonOptions common;
    MarketFileOptions files;
    std::string spot = "100";
    std::string rate = "1.5";
    std::string q = "0";
    std::string yearDays = "243";
    std::string localVolOut;
};

// The trading calendar when one can be loaded: only date keys need it, and
// they say so when it is missing.
const Calendar& calendarIfAny(const CommonOptions& common)
{
    static const Calendar none(-1);
    try {
        return useTradingCalendar(*common.run, common.calendar);
    } catch (const CliError&) {
        return none;
    }
}

std::string runSurface(const SurfaceCommand& o)
{
    if (o.files.volSurface.empty())
        throw badInput("surface: --vol-surface is required");
    if (!o.files.volCurve.empty() || !o.files.localVol.empty())
        throw badInput("surface: --vol-curve and --local-vol are not surfaces");
    const double spot = numberOption(o.spot, "--spot");
    const int yearDays = integerOption(o.yearDays, "--year-days");
    if (yearDays <= 0)
        throw badInput("--year-days: must be positive");
    PDEParams flat;
    flat.S0 = spot;
    flat.sigma = 0.2;  // replaced by the surface; any positive number builds the curves
    flat.r = numberOption(o.rate, "--rate") / 100.0;
    flat.q = numberOption(o.q, "--q") / 100.0;

    const Calendar& calendar = calendarIfAny(o.common);
    const int valuationDate = o.common.todayDate().toString(QStringLiteral("yyyyMMdd")).toInt();
    MarketFiles curves;
    curves.rates = qs(o.files.rateCurve);
    curves.dividends = qs(o.files.dividendCurve);
    curves.futures = qs(o.files.futures);
    const MarketBuild built = marketFromFiles(curves, flat, calendar, valuationDate, yearDays);
    if (!built.ok())
        throw badInput(u8(built.message));
    std::vector<VolQuote> quotes;
    std::vector<MarketKey> keys;
    QString error;
    if (!surfaceQuotes(qs(o.files.volSurface), calendar, valuationDate, yearDays, quotes, error, &keys))
        throw badInput(u8(error));
    std::map<std::string, MarketKey> keyOf;
    for (std::size_t i = 0; i < quotes.size(); ++i)
        keyOf[quotes[i].source] = keys[i];

    const ForwardCurve forward = built.model->forward_curve();
    const auto started = std::chrono::steady_clock::now();
    SurfaceCalibration c = calibrate_surface(quotes, spot, forward);
    const double fitMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    if (!c.ok())
        throw refused("the volatility surface: " + c.error);
    std::string why;
    if (!reprice_quotes(c, *c.local_vol, forward, why))
        throw refused("the volatility surface's quotes cannot be repriced: " + why);
    if (!o.localVolOut.empty()) {
        GridExportOptions options;
        options.year_days = yearDays;
        const MarketResult<LocalVolGrid> grid = export_local_vol_grid(*c.local_vol, c.surface->expiries(), options);
        if (!grid.ok())
            throw refused("the local volatility cannot be written out: " + grid.error);
        const QByteArray text = localVolGridCsv(grid.value->levels(), grid.value->times(), grid.value->rows());
        writeFileAtomically(o.localVolOut, text.toStdString(), false);
    }

    if (o.common.json) {
        Json j;
        j["spot"] = spot;
        Json rows = Json::array();
        for (const QuoteResult& r : c.quotes) {
            const MarketKey& key = keyOf[r.quote.source];
            Json row;
            if (key.is_date)
                row["expiry"] = key.date;
            else
                row["expiry"] = key.years;
            row["time"] = r.quote.expiry;
            row["strike"] = r.quote.strike;
            row["market_vol"] = 100.0 * r.quote.vol;
            row["fitted_vol"] = 100.0 * r.fitted_vol;
            row["repriced_vol"] = 100.0 * r.repriced_vol;
            row["error_bp"] = r.error_bp;
            rows.push_back(row);
        }
        j["quotes"] = rows;
        j["max_error_bp"] = c.max_error_bp;
        Json arbitrage = Json::array();
        for (const ArbitrageFinding& a : c.arbitrage)
            arbitrage.push_back(a.message);
        j["arbitrage"] = arbitrage;
        j["fit_ms"] = fitMs;
        return jsonLine(j);
    }
    std::vector<std::vector<std::string>> table{
        {"expiry", "time", "strike", "market%", "fitted%", "repriced%", "error_bp"}};
    for (const QuoteResult& r : c.quotes) {
        const MarketKey& key = keyOf[r.quote.source];
        table.push_back({key.is_date ? std::to_string(key.date) : general(key.years), fixed(r.quote.expiry, 4),
                         general(r.quote.strike), fixed(100.0 * r.quote.vol, 2), fixed(100.0 * r.fitted_vol, 2),
                         fixed(100.0 * r.repriced_vol, 2), fixed(r.error_bp, 1)});
    }
    KeyValueTable t;
    t.add("spot", general(spot));
    t.add("max error (bp)", fixed(c.max_error_bp, 2));
    for (const ArbitrageFinding& a : c.arbitrage)
        t.add("arbitrage", a.message);
    t.add("fit (ms)", fixed(fitMs, 1));
    return alignedColumns(table) + "\n" + t.text();
}

}  // namespace

CommandRun addSurfaceCommand(CLI::App& app)
{
    auto o = std::make_shared<SurfaceCommand>();
    CLI::App* sub = app.add_subcommand(
        "surface", "Fit an implied volatility surface free of arbitrage, reprice its quotes with its local volatility");
    addMarketFileOptions(*sub, o->files);
    addCommonOptions(*sub, o->common);
    sub->add_option("--spot", o->spot, "Underlying price the quotes are fitted at")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--rate", o->rate, "Risk-free rate (%) without --rate-curve")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--q", o->q, "Dividend yield (%) without --dividend-curve or --futures")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--year-days", o->yearDays, "Trading days a year: the clock of date keys and of daily rows")
        ->capture_default_str()
        ->check(IntegerText)
        ->type_name("INT");
    sub->add_option("--local-vol-out", o->localVolOut,
                    "Write the fitted local volatility as a local volatility grid file (for --local-vol)")
        ->type_name("FILE");
    return bindCommand(o, runSurface);
}
