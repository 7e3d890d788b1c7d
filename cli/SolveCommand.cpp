#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "Pricer.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"
#include "TermTable.h"

#include <cmath>
#include <cstdio>

namespace {

struct SolveCommand : StructureCommand
{
    std::string target;
    std::string lo;  // default 0, with a market -0.05
    std::string hi;  // default 1, with a market 0.5
    std::string solveFor;
};

// The window's message for each result of the search, with its code.
std::string solveFailure(SearchStatus status)
{
    return "solve code " + std::to_string(static_cast<int>(status)) + ": " + u8(searchStatusText(status).summary);
}

std::string runSolve(const SolveCommand& o)
{
    // The window's interval solve checks only the spot among the levels.
    const PreparedStructure p = prepareStructure(o.structure, o.common, true, o.method());
    const double target = targetOption(o.target, p);
    const Param index = o.solveFor == "vol" ? Param::Sigma : Param::CouponAndDiv;
    CommandMarket market;
    PricingRequest request = commandRequest(o, p, &market);
    // With a market the volatility solved is its parallel shift, which may
    // be negative down to what keeps every volatility positive.
    const bool shift = market.model && index == Param::Sigma;
    const double lo = o.lo.empty() ? (shift ? -0.05 : 0.0) : numberOption(o.lo, "--lo");
    const double hi = o.hi.empty() ? (shift ? 0.5 : 1.0) : numberOption(o.hi, "--hi");
    const SearchSettings settings;
    // Both ends, the midpoints, and with an error estimate the price at the solution.
    checkRuns(request, settings.max_iter + 3, GridUse::PriceOnly);
    SearchSettings traced = settings;
    if (o.common.verbose)
        traced.trace = [](const std::string& line) { std::fputs(line.c_str(), stderr); };
    const SearchResult found = solve_term(request, index, target, lo, hi, traced);
    const SearchStatus status = found.status;
    if (found.outcome == Outcome::Refused || found.outcome == Outcome::Cancelled)
        requireOk(found, "no price");
    if (status == SearchStatus::UnknownParam)
        throw badInput(solveFailure(status));
    if (status != SearchStatus::Found)
        throw refused(solveFailure(status));
    const double result = found.value;
    if (!std::isfinite(result))
        throw refused("the solution is " + full(result) + ", not a finite number");
    // The price at the solution and its error estimate say how far the
    // search's tolerance and the pricer's error leave it from the target;
    // prices without an estimate (the design grid's) are not shown.
    set_term(request, index, result);
    const Valuation at = priceOrRefuse(request);

    // The window writes the solution in percent with one decimal.
    const std::string field = u8(QString::number(result * 100, 'f', 1));
    if (o.common.json) {
        Json j = commandJson("solve");
        addPricingMode(j, request);
        addMarketJson(j, o.marketFiles, market);
        if (shift)
            j["value_means"] = kShiftMeaning;
        j["for"] = o.solveFor;
        j["code"] = static_cast<int>(status);
        j["value"] = result;
        j["percent"] = field;
        j["target"] = target;
        j["lo"] = lo;
        j["hi"] = hi;
        if (at.error_estimate) {
            j["price"] = at.value;
            addErrorEstimate(j, at.error_estimate);
        }
        addNotes(j, structureNotes(p));
        return jsonLine(j);
    }
    KeyValueTable t;
    addMarketLines(t, o.marketFiles, market);
    t.add("for", o.solveFor);
    t.add("value", precise(result));
    if (shift)
        t.add("value means", kShiftMeaning);
    t.add(o.solveFor == "vol" ? "波动率(%)" : "敲出票息(%)", field);
    t.add("target", general(target));
    if (at.error_estimate) {
        t.add("price", fixed(at.value, o.common.digits));
        addErrorEstimate(t, at.error_estimate, o.common.digits);
    }
    return t.text();
}

}  // namespace

CommandRun addSolveCommand(CLI::App& app)
{
    auto o = std::make_shared<SolveCommand>();
    CLI::App* sub = app.add_subcommand("solve", "Solve volatility or coupon for a target price (区间求解)");
    addStructureCommandOptions(*sub, *o);
    addAccurateOption(*sub, *o);
    sub->add_option("--for", o->solveFor, "vol (波动率) or coupon (红利&敲出票息)")
        ->required()
        ->check(CLI::IsMember({"vol", "coupon"}));
    sub->add_option("--lo", o->lo,
                    "Lower end of the interval, a decimal (0.2 is 20%; default 0; with market files the "
                    "volatility's parallel shift, default -0.05)")
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--hi", o->hi, "Upper end of the interval (default 1; with market files 0.5)")
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--target", o->target, "Target price (default: the spot for a note, 0 for an option)")
        ->check(NumberText)
        ->type_name("NUMBER");
    return bindCommand(o, runSolve);
}
