#include "RunLimits.h"

#include "CliError.h"
#include "CliOutput.h"
#include "StructureSetup.h"

#include <string>

namespace {

void refuseOver(const RunCost& cost, const std::string& what, const char* options)
{
    const std::string problem = run_budget_problem(cost, what);
    if (!problem.empty())
        throw badInput(std::string(options) + ": " + problem);
}

// The options that set the size of each kind of run.
const char* optionsFor(RunKnob knob)
{
    switch (knob) {
    case RunKnob::GridSize:
        return "--M/--N";
    case RunKnob::AccurateSolves:
        return "--accurate";
    case RunKnob::Paths:
        return "--paths";
    }
    return "--M/--N";
}

}  // namespace

void checkRuns(const PricingRequest& request, double solves, GridUse use)
{
    const RunEstimate e = request_run_cost(request, solves, use);
    refuseOver(e.cost, e.what, optionsFor(e.knob));
}

void checkPriceRuns(const PricingRequest& request, bool greeks)
{
    checkRuns(request, 1, GridUse::PriceOnly);
    if (greeks)
        checkRuns(request, greeks_solves(request), GridUse::KeepGrids);
}

void checkMonteCarlo(const PreparedStructure& p, double paths, double stepsPerYear)
{
    const std::string what = std::to_string(static_cast<long long>(paths)) + " paths over " +
                             general(p.terms.params.T) + " years";
    refuseOver(mc_run_cost(paths, p.terms.params.T, stepsPerYear), what, "--paths");
}
