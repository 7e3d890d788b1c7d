#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "MonteCarlo.h"
#include "Snowball_PDE.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <cmath>

namespace {

struct McCommand : StructureCommand
{
    int paths = 50000;
    int stepsPerYear = 252;
};

std::string runMc(const McCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    const StructureTerms& t = p.terms;
    checkMonteCarlo(p, o.paths, o.stepsPerYear);
    const double value = price_monte_carlo(t.contract, t.params, o.stepsPerYear, o.paths);
    if (std::isnan(value))
        throw refused("the Monte Carlo pricer refused the structure (no price)");
    if (!std::isfinite(value))
        throw refused("the Monte Carlo price is " + full(value) + ", not a finite number: check the coupons and levels");
    if (o.common.json) {
        Json j = commandJson("mc");
        j["price"] = value;
        j["paths"] = o.paths;
        j["steps_per_year"] = o.stepsPerYear;
        addNotes(j, structureNotes(p));
        return jsonLine(j);
    }
    KeyValueTable table;
    table.add("mc price (% of notional)", fixed(value, o.common.digits));
    table.add("paths", std::to_string(o.paths));
    table.add("steps per year", std::to_string(o.stepsPerYear));
    return table.text();
}

}  // namespace

CommandRun addMcCommand(CLI::App& app)
{
    auto o = std::make_shared<McCommand>();
    CLI::App* sub = app.add_subcommand("mc", "Monte Carlo cross-check, in % of the notional");
    addStructureCommandOptions(*sub, *o);
    sub->add_option("--paths", o->paths, "Simulated paths")->capture_default_str()->check(CLI::Range(1, 100000000));
    sub->add_option("--steps-per-year", o->stepsPerYear, "Time steps per year")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000));
    return bindCommand(o, runMc);
}
