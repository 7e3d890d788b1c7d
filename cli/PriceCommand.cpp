#include "CommandSupport.h"

#include "Calendar.h"
#include "CliError.h"
#include "CliText.h"
#include "ObserveSchedule.h"
#include "Pricer.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <cmath>
#include <limits>

namespace {

Json greeksJson(const GreeksLookup& g, const QDate& date, bool dated)
{
    Json j;
    j["spot"] = g.spot;
    if (dated)
        j["date"] = u8(dateText(date));
    j["tau"] = g.tau;
    j["knocked_in"] = g.knockedIn;
    j["price"] = g.price;
    addErrorEstimate(j, g.errorEstimate);
    j["delta"] = g.delta;
    j["gamma"] = g.gamma;
    j["theta"] = g.theta;
    j["vega"] = g.vega;
    j["rho"] = g.rho;
    return j;
}

struct PriceCommand : StructureCommand
{
    bool greeks = false;
    std::string lookupSpot;
    std::string lookupDate;
    bool knockedIn = false;
};

std::string runPrice(const PriceCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false, o.method());
    CommandMarket market;
    const PricingRequest request = commandRequest(o, p, &market);
    checkPriceRuns(request, o.greeks);
    const Valuation v = priceOrRefuse(request);

    GreeksLookup g;
    QDate date;
    if (o.greeks) {
        const double spot = o.lookupSpot.empty() ? p.terms.params.S0 : numberOption(o.lookupSpot, "--lookup-spot");
        date = o.lookupDate.empty() ? o.common.todayDate() : dateOption(o.lookupDate, "--lookup-date");
        g = computeGreeks(request, p, spot, date, o.knockedIn);
    }

    if (o.common.json) {
        Json j = commandJson("price");
        addPricingMode(j, request);
        addMarketJson(j, o.marketFiles, market);
        j["price"] = v.value;
        addErrorEstimate(j, v.error_estimate);
        if (o.greeks)
            j["greeks"] = greeksJson(g, date, p.dated);
        j["structure"] = structureJson(p);
        addNotes(j, structureNotes(p));
        return jsonLine(j);
    }
    const int d = o.common.digits;
    KeyValueTable t;
    addMarketLines(t, o.marketFiles, market);
    t.add("price", fixed(v.value, d));
    addErrorEstimate(t, v.error_estimate, d);
    if (o.greeks) {
        t.add("lookup spot", general(g.spot));
        if (p.dated)
            t.add("lookup date", u8(dateText(date)));
        t.add("knocked in", g.knockedIn ? "yes" : "no");
        t.add("lookup price", fixed(g.price, d));
        if (g.errorEstimate)
            t.add("lookup error estimate", errorBound(*g.errorEstimate, d));
        t.add("delta", fixed(g.delta, d));
        t.add("gamma", fixed(g.gamma, d));
        t.add("theta/day", fixed(g.theta, d));
        t.add("vega/pt", fixed(g.vega, d));
        t.add("rho/pt", fixed(g.rho, d));
    }
    return t.text();
}

}  // namespace

GreeksLookup computeGreeks(const PricingRequest& request, const PreparedStructure& p, double spot, const QDate& date,
                           bool knockedIn)
{
    // The window would read today's column for a date after the expiry (a
    // negative remaining time) and NaN off the grid; a script hears about both.
    const double smax = p.terms.params.S_max;
    if (!(spot >= 0 && spot <= smax))
        throw badInput("--lookup-spot: " + general(spot) + " lies outside the price grid 0.." + general(smax));
    if (p.dated && date > p.schedule.expiry)
        throw badInput("--lookup-date: " + u8(dateText(date)) + " lies after the expiry " +
                       u8(dateText(p.schedule.expiry)));
    GreeksLookup g;
    g.spot = spot;
    g.knockedIn = knockedIn;
    const double Y = p.yearDays;
    g.tau = p.dated ? year_fraction(*p.calendar, dateToInt(date), dateToInt(p.schedule.expiry), Y)
                    : p.terms.params.T;
    const GreeksValuation raw = greeks(request, LookupPoint{spot, g.tau, knockedIn});
    requireOk(raw, "no Greeks at the lookup spot and date");
    static_cast<LookupGreeks&>(g) = lookupGreeks(raw, Y);
    g.errorEstimate = raw.error_estimate;
    const std::pair<const char*, double> values[] = {{"price", g.price}, {"delta", g.delta}, {"gamma", g.gamma},
                                                     {"theta", g.theta}, {"vega", g.vega},   {"rho", g.rho},
                                                     {"error estimate", g.errorEstimate.value_or(0.0)}};
    for (const auto& [name, value] : values) {
        if (!std::isfinite(value))
            throw refused(std::string("the lookup gave ") + name + " = " + full(value) + ", not a finite number");
    }
    return g;
}

CommandRun addPriceCommand(CLI::App& app)
{
    auto o = std::make_shared<PriceCommand>();
    CLI::App* sub = app.add_subcommand("price", "Price the structure (定价), optionally with the Greeks");
    addStructureCommandOptions(*sub, *o);
    addAccurateOption(*sub, *o);
    sub->add_flag("--greeks", o->greeks, "Also the Greeks (风险指标计算) and the lookup");
    sub->add_option("--lookup-spot", o->lookupSpot, "Spot of the lookup (default: --spot)")
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--lookup-date", o->lookupDate, "Date of the lookup (default: today)")
        ->check(DateText)
        ->type_name("yyyyMMdd");
    sub->add_flag("--knocked-in", o->knockedIn, "Read the knocked-in grids");
    return bindCommand(o, runPrice);
}
