#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "Snowball_PDE.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <cmath>

namespace {

struct SolveCommand : StructureCommand
{
    std::string target;
    std::string lo = "0";
    std::string hi = "1";
    std::string solveFor;
};

// The window's message for each result code of the search.
std::string solveFailure(int code)
{
    const std::string prefix = "solve code " + std::to_string(code) + ": ";
    switch (code) {
    case -1:
        return prefix + "未在限定次数内找到解";
    case -2:
        return prefix + "未获得有效解，请提高精度(增大PDE中M)再试";
    case -3:
        return prefix + "错误的目标变量";
    case -4:
        return prefix + "求解区间非单调，或目标不在区间内";
    default:
        return prefix + "在指定区间未能找到合适参数";
    }
}

std::string runSolve(const SolveCommand& o)
{
    // The window's interval solve checks only the spot among the levels.
    const PreparedStructure p = prepareStructure(o.structure, o.common, true);
    const double target = targetOption(o.target, p);
    const double lo = numberOption(o.lo, "--lo");
    const double hi = numberOption(o.hi, "--hi");
    const int index = o.solveFor == "vol" ? Snowball_PDE::Sigma : Snowball_PDE::CouponAndDiv;

    Snowball_PDE engine;
    checkGridRuns(p, engine.max_iter + 2, GridUse::PriceOnly);
    handOverTo(engine, p);
    double result = 0;
    const int code = engine.solve_param(target, index, &result, lo, hi);
    if (code == -3)
        throw badInput(solveFailure(code));
    if (code != 0)
        throw refused(solveFailure(code));
    if (!std::isfinite(result))
        throw refused("the solution is " + full(result) + ", not a finite number");

    // The window writes the solution in percent with one decimal.
    const std::string field = u8(QString::number(result * 100, 'f', 1));
    if (o.common.json) {
        Json j = commandJson("solve");
        j["for"] = o.solveFor;
        j["code"] = code;
        j["value"] = result;
        j["percent"] = field;
        j["target"] = target;
        j["lo"] = lo;
        j["hi"] = hi;
        addNotes(j, structureNotes(p));
        return jsonLine(j);
    }
    KeyValueTable t;
    t.add("for", o.solveFor);
    t.add("value", precise(result));
    t.add(o.solveFor == "vol" ? "波动率(%)" : "敲出票息(%)", field);
    t.add("target", general(target));
    return t.text();
}

}  // namespace

CommandRun addSolveCommand(CLI::App& app)
{
    auto o = std::make_shared<SolveCommand>();
    CLI::App* sub = app.add_subcommand("solve", "Solve volatility or coupon for a target price (区间求解)");
    addStructureCommandOptions(*sub, *o);
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
