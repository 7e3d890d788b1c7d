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

}  // namespace

void checkGridRuns(const PreparedStructure& p, double runs, GridUse use)
{
    const PDEParams& x = p.terms.params;
    std::string what = std::to_string(x.M) + " x " + std::to_string(x.N) + " grid";
    if (runs > 1)
        what = std::to_string(static_cast<long long>(runs)) + " runs of a " + what;
    else
        what = "a " + what;
    refuseOver(pde_run_cost(x.M, x.N, runs, use), what, "--M/--N");
}

void checkMonteCarlo(const PreparedStructure& p, double paths, double stepsPerYear)
{
    const std::string what = std::to_string(static_cast<long long>(paths)) + " paths over " +
                             general(p.terms.params.T) + " years";
    refuseOver(mc_run_cost(paths, p.terms.params.T, stepsPerYear), what, "--paths");
}
