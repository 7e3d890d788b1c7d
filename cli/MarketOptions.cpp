#include "MarketOptions.h"

#include "CliError.h"
#include "CliText.h"
#include "MarketInputs.h"
#include "StructureSetup.h"

#include "Calendar.h"

#include <utility>
#include <vector>

namespace {

// Each file option: its flag, its JSON key and where it is kept.
struct FileOption
{
    const char* flag;
    const char* key;
    std::string MarketFileOptions::*path;
    QString MarketFiles::*file;  // where terms/ takes it
    const char* help;
};

const FileOption kFileOptions[] = {
    {"--rate-curve", "rate_curve", &MarketFileOptions::rateCurve, &MarketFiles::rates,
     "Rate curve CSV (point,rate_pct: zero rates in %) in place of --rate"},
    {"--dividend-curve", "dividend_curve", &MarketFileOptions::dividendCurve, &MarketFiles::dividends,
     "Dividend curve CSV (point,rate_pct) in place of --q"},
    {"--futures", "futures", &MarketFileOptions::futures, &MarketFiles::futures,
     "Index futures CSV (point,price): the dividend curve of their basis at the spot, in place of --q"},
    {"--vol-curve", "vol_curve", &MarketFileOptions::volCurve, &MarketFiles::volatilityCurve,
     "Volatility term curve CSV (point,vol_pct: Black volatilities in %) in place of --vol"},
    {"--local-vol", "local_vol", &MarketFileOptions::localVol, &MarketFiles::localVolatility,
     "Local volatility grid CSV (point,L1,...,Lk; rows of % per level) in place of --vol"},
    {"--vol-surface", "vol_surface", &MarketFileOptions::volSurface, &MarketFiles::volatilitySurface,
     "Implied volatility surface CSV (expiry,strike,vol_pct), fitted free of arbitrage into a local "
     "volatility, in place of --vol"},
};

}  // namespace

bool MarketFileOptions::any() const
{
    for (const FileOption& f : kFileOptions)
        if (!(this->*f.path).empty())
            return true;
    return false;
}

void addMarketFileOptions(CLI::App& sub, MarketFileOptions& files)
{
    for (const FileOption& f : kFileOptions)
        sub.add_option(f.flag, files.*f.path, f.help)->type_name("FILE");
}

CommandMarket loadCommandMarket(const MarketFileOptions& files, const PreparedStructure& p, PricingMethod method,
                                const char* needs)
{
    CommandMarket out;
    if (!files.any())
        return out;
    if (!takes_market(method)) {
        for (const FileOption& f : kFileOptions)
            if (!(files.*f.path).empty())
                throw refused(std::string(f.flag) + " needs " + needs +
                              ": market curves and local volatility are priced in the accurate mode only");
    }
    MarketFiles paths;
    for (const FileOption& f : kFileOptions)
        paths.*f.file = qs(files.*f.path);
    // Date keys are counted in trading days from the structure's start; a
    // structure of engine times has no calendar, so only year fractions.
    const Calendar none(-1);
    const Calendar& calendar = p.calendar ? *p.calendar : none;
    const int valuationDate = p.dated ? p.schedule.start.toString(QStringLiteral("yyyyMMdd")).toInt() : 0;
    const MarketBuild built =
        marketFromFiles(paths, p.terms.params, calendar, valuationDate, static_cast<int>(p.yearDays));
    if (!built.ok())
        throw badInput(u8(built.message));
    out.model = std::make_shared<const MarketModel>(*built.model);
    out.surface = built.surface;
    return out;
}

void addMarketJson(Json& j, const MarketFileOptions& files, const CommandMarket& market)
{
    if (!market.model)
        return;
    j["model"] = market.model->name();
    Json used = Json::object();
    for (const FileOption& f : kFileOptions)
        if (!(files.*f.path).empty())
            used[f.key] = files.*f.path;
    j["market_files"] = used;
    if (market.surface)
        j["max_repricing_error_bp"] = market.surface->max_error_bp;
}

void addMarketLines(KeyValueTable& t, const MarketFileOptions& files, const CommandMarket& market)
{
    if (!market.model)
        return;
    t.add("model", market.model->name());
    for (const FileOption& f : kFileOptions)
        if (!(files.*f.path).empty())
            t.add(f.key, files.*f.path);
    if (market.surface)
        t.add("max repricing error (bp)", general(market.surface->max_error_bp));
}
