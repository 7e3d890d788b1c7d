#include "RunLimits.h"

#include "CliError.h"
#include "AccuratePricer.h"
#include "CliOutput.h"
#include "StructureSetup.h"

#include <cmath>
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

void checkAccurateRuns(const PreparedStructure& p, double runs)
{
    // Its levels step like price-only grid runs: coarse cells x steps a day,
    // fine twice both, and coarse cells at the fine steps.
    const AccurateResolution r;
    const double nodesPerDay = r.base_cells * r.steps_per_day * (1.0 + 4.0 + 2.0);
    const double days = std::ceil(p.terms.params.T * p.yearDays);
    const std::string what =
        (runs > 1 ? std::to_string(static_cast<long long>(runs)) + " accurate solves" : std::string("an accurate solve")) +
        " over " + general(days) + " trading days";
    refuseOver(pde_run_cost(nodesPerDay - 1.0, days - 1.0, runs, GridUse::PriceOnly), what, "--accurate");
}

void checkPriceRuns(const PreparedStructure& p, bool greeks, bool accurate)
{
    if (accurate) {
        checkAccurateRuns(p, greeks ? 6 : 1);
        return;
    }
    checkGridRuns(p, 1, GridUse::PriceOnly);
    if (greeks)
        checkGridRuns(p, 3, GridUse::KeepGrids);
}

void checkMonteCarlo(const PreparedStructure& p, double paths, double stepsPerYear)
{
    const std::string what = std::to_string(static_cast<long long>(paths)) + " paths over " +
                             general(p.terms.params.T) + " years";
    refuseOver(mc_run_cost(paths, p.terms.params.T, stepsPerYear), what, "--paths");
}
