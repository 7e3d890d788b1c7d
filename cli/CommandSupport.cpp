#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "Pricer.h"
#include "StructureSetup.h"

#include <cmath>

void addStructureCommandOptions(CLI::App& sub, StructureCommand& o)
{
    addStructureOptions(sub, o.structure);
    addCommonOptions(sub, o.common);
}

void addAccurateOption(CLI::App& sub, bool& accurate, MarketFileOptions& files)
{
    sub.add_flag("--accurate", accurate,
                 "Accurate mode: the contract's own monitoring (knock-in at every close of --year-days) on a "
                 "refined grid, with an error estimate; --M, --N and --smax are not used");
    addMarketFileOptions(sub, files);
}

PricingRequest commandRequest(const StructureCommand& o, const PreparedStructure& p, CommandMarket* market)
{
    const PricingMethod method = o.method();
    PricingRequest request = pricingRequest(p.terms, p.form, static_cast<int>(p.yearDays), method);
    const CommandMarket loaded = loadCommandMarket(o.marketFiles, p, method, "--accurate");
    request.market = loaded.model;
    if (market)
        *market = loaded;
    return request;
}

double targetOption(const std::string& text, const PreparedStructure& p)
{
    if (!text.empty())
        return numberOption(text, "--target");
    return p.form == PayoffForm::Option ? 0.0 : p.terms.params.S0;
}

void requireOk(const Answer& a, const std::string& what)
{
    switch (a.outcome) {
    case Outcome::Ok:
        return;
    case Outcome::Refused:
        throw refused("the engine refused the structure (" + what + "): " + a.error);
    case Outcome::Cancelled:
    case Outcome::Failed:
        break;
    }
    throw refused(what + ": " + a.error);
}

Valuation priceOrRefuse(const PricingRequest& request)
{
    const Valuation v = price(request);
    requireOk(v, "no price");
    return v;
}

void addErrorEstimate(Json& j, const std::optional<double>& estimate, const char* key)
{
    if (estimate)
        j[key] = *estimate;
}

void addPricingMode(Json& j, const PricingRequest& request)
{
    if (const char* label = mode_label(request.method))
        j["mode"] = label;
}

void addErrorEstimate(KeyValueTable& t, const std::optional<double>& estimate, int digits)
{
    if (estimate)
        t.add("error estimate", errorBound(*estimate, digits));
}

Json commandJson(const char* command)
{
    Json j;
    j["command"] = command;
    return j;
}
