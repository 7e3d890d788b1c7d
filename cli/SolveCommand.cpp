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
    std::string lo = "0";
    std::string hi = "1";
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
    const PreparedStructure p = prepareStructure(o.structure, o.common, true);
    const double target = targetOption(o.target, p);
    const double lo = numberOption(o.lo, "--lo");
    const double hi = numberOption(o.hi, "--hi");
    const Param index = o.solveFor == "vol" ? Param::Sigma : Param::CouponAndDiv;

    PricingRequest request = commandRequest(o, p);
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
    set_term(request.contract, request.model, index, result);
    const Valuation at = priceOrRefuse(request);

    // The window writes the solution in percent with one decimal.
    const std::string field = u8(QString::number(result * 100, 'f', 1));
    if (o.common.json) {
        Json j = commandJson("solve");
        addPricingMode(j, request);
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
    t.add("for", o.solveFor);
    t.add("value", precise(result));
    t.add(o.solveFor == "vol" ? "波动率(%)" : "敲出票息(%)", field);
    t.add("target", general(target));
    if (at.error_estimate) {
        t.add("price", fixed(at.value, o.common.digits));
        addErrorEstimate(t, at.error_estimate);
    }
    return t.text();
}

}  // namespace

CommandRun addSolveCommand(CLI::App& app)
{
    auto o = std::make_shared<SolveCommand>();
    CLI::App* sub = app.add_subcommand("solve", "Solve volatility or coupon for a target price (区间求解)");
    addStructureCommandOptions(*sub, *o);
    addAccurateOption(*sub, o->accurate);
    sub->add_option("--for", o->solveFor, "vol (波动率) or coupon (红利&敲出票息)")
        ->required()
        ->check(CLI::IsMember({"vol", "coupon"}));
    sub->add_option("--lo", o->lo, "Lower end of the interval, a decimal (0.2 is 20%)")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--hi", o->hi, "Upper end of the interval")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--target", o->target, "Target price (default: the spot for a note, 0 for an option)")
        ->check(NumberText)
        ->type_name("NUMBER");
    return bindCommand(o, runSolve);
}
