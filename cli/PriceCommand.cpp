#include "CommandSupport.h"

#include "Calendar.h"
#include "CliError.h"
#include "CliText.h"
#include "ObserveSchedule.h"
#include "Snowball_PDE.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <cmath>

namespace {

Json greeksJson(const GreeksLookup& g, const QDate& date, bool dated, bool accurate)
{
    Json j;
    j["spot"] = g.spot;
    if (dated)
        j["date"] = u8(dateText(date));
    j["tau"] = g.tau;
    j["knocked_in"] = g.knockedIn;
    j["price"] = g.price;
    if (accurate)
        j["error_estimate"] = g.errorEstimate;
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
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    checkPriceRuns(p, o.greeks, o.accurate);
    Snowball_PDE engine;
    handOverTo(engine, p);
    setPricingMode(engine, p, o.accurate);
    const double price = priceOrRefuse(engine);

    GreeksLookup g;
    QDate date;
    if (o.greeks) {
        const double spot = o.lookupSpot.empty() ? p.terms.params.S0 : numberOption(o.lookupSpot, "--lookup-spot");
        date = o.lookupDate.empty() ? o.common.todayDate() : dateOption(o.lookupDate, "--lookup-date");
        g = computeGreeks(engine, p, spot, date, o.knockedIn);
    }

    if (o.common.json) {
        Json j = commandJson("price");
        addPricingMode(j, engine);
        j["price"] = price;
        addErrorEstimate(j, engine);
        if (o.greeks)
            j["greeks"] = greeksJson(g, date, p.dated, o.accurate);
        j["structure"] = structureJson(p);
        addNotes(j, structureNotes(p));
        return jsonLine(j);
    }
    const int d = o.common.digits;
    KeyValueTable t;
    t.add("price", fixed(price, d));
    addErrorEstimate(t, engine);
    if (o.greeks) {
        t.add("lookup spot", general(g.spot));
        if (p.dated)
            t.add("lookup date", u8(dateText(date)));
        t.add("knocked in", g.knockedIn ? "yes" : "no");
        t.add("lookup price", fixed(g.price, d));
        if (o.accurate)
            t.add("lookup error estimate", general(g.errorEstimate));
        t.add("delta", fixed(g.delta, d));
        t.add("gamma", fixed(g.gamma, d));
        t.add("theta/day", fixed(g.theta, d));
        t.add("vega/pt", fixed(g.vega, d));
        t.add("rho/pt", fixed(g.rho, d));
    }
    return t.text();
}

}  // namespace

GreeksLookup computeGreeks(Snowball_PDE& engine, const PreparedStructure& p, double spot, const QDate& date,
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
    if (engine.mode == PricingMode::Accurate) {
        const AccurateGreeks a = engine.accurate_lookup(spot, g.tau, knockedIn);
        if (!a.error.empty())
            throw refused("the accurate lookup refused: " + a.error);
        // The units of lookupGreeks: Theta per trading day, Vega and Rho per point.
        g.price = a.price, g.delta = a.delta, g.gamma = a.gamma;
        g.theta = a.theta / Y, g.vega = a.vega * 0.01, g.rho = a.rho * 0.01;
        g.errorEstimate = a.error_estimate;
    } else {
        if (!engine.calculate())
            throw refused("the engine refused the Greeks runs (no price)");
        if (!engine.create_Greeks())
            throw refused("the engine could not build the Greek grids");
        static_cast<LookupGreeks&>(g) = lookupGreeks(engine, spot, g.tau, knockedIn, Y);
    }
    if (std::isnan(g.price))
        throw refused("the engine gave no value at the lookup spot and date");
    const std::pair<const char*, double> values[] = {{"price", g.price}, {"delta", g.delta}, {"gamma", g.gamma},
                                                     {"theta", g.theta}, {"vega", g.vega},   {"rho", g.rho},
                                                     {"error estimate", g.errorEstimate}};
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
    addAccurateOption(*sub, o->accurate);
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
