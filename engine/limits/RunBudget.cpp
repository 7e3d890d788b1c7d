#include "RunBudget.h"

#include "AccuratePricer.h"
#include "EngineMemory.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kSecondsPerNode = 6e-9;
constexpr double kSecondsPerKeptNode = 2e-7;
constexpr double kBytesPerKeptNode = 8.0 * 20.0;
constexpr double kSecondsPerPathStep = 2.5e-8;

std::string amount(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string bytesText(double bytes)
{
    return bytes >= 1024.0 * 1024 * 1024 ? amount("%.1f GB", bytes / (1024.0 * 1024 * 1024))
                                         : amount("%.0f MB", bytes / (1024.0 * 1024));
}

}  // namespace

double safe_memory_bytes() { return kSafeMemoryShare * physical_memory_bytes(); }

RunCost pde_run_cost(double M, double N, double runs, GridUse use)
{
    const double rows = M + 1.0, columns = N + 1.0, nodes = rows * columns;
    RunCost c;
    // Working vectors of the solver: operator, factors, boundaries, two value columns each.
    c.bytes = 8.0 * (10.0 * rows + 2.0 * columns);
    if (use == GridUse::KeepGrids) {
        c.bytes += kBytesPerKeptNode * nodes;
        c.seconds = kSecondsPerKeptNode * nodes * runs;
    } else {
        c.seconds = kSecondsPerNode * nodes * runs;
    }
    return c;
}

RunCost mc_run_cost(double paths, double T, double steps_per_year)
{
    const double steps = std::ceil(T * steps_per_year);
    RunCost c;
    c.bytes = 8.0 * 4.0 * steps;  // one path's prices and observation columns
    c.seconds = kSecondsPerPathStep * paths * steps;
    return c;
}

std::string run_budget_problem(const RunCost& cost, const std::string& what)
{
    if (!(cost.bytes <= safe_memory_bytes()))
        return what + " needs about " + bytesText(cost.bytes) + ", more than the limit of " +
               bytesText(safe_memory_bytes()) + " (half of this machine's memory)";
    if (!(cost.seconds <= kMaxRunSeconds))
        return what + " would take about " + amount("%.0f", cost.seconds) + " s, more than the limit of " +
               amount("%.0f", kMaxRunSeconds) + " s";
    return std::string();
}

RunEstimate request_run_cost(const PricingRequest& request, double solves, GridUse use)
{
    const PDEParams& m = request.model;
    const std::string count = std::to_string(static_cast<long long>(solves));
    switch (request.method) {
    case PricingMethod::DesignGrid: {
        const std::string grid = std::to_string(m.M) + " x " + std::to_string(m.N) + " grid";
        return {pde_run_cost(m.M, m.N, solves, use), solves > 1 ? count + " runs of a " + grid : "a " + grid,
                RunKnob::GridSize};
    }
    case PricingMethod::Accurate: {
        // Coarse cells x steps a day, fine twice both, and coarse cells at the fine steps.
        const AccurateResolution r;
        const double nodes_per_day = r.base_cells * r.steps_per_day * (1.0 + 4.0 + 2.0);
        const double days = std::ceil(m.T * request.year_days);
        return {pde_run_cost(nodes_per_day - 1.0, days - 1.0, solves, GridUse::PriceOnly),
                (solves > 1 ? count + " accurate solves" : std::string("an accurate solve")) + " over " +
                    amount("%g", days) + " trading days",
                RunKnob::AccurateSolves};
    }
    case PricingMethod::ReferenceMonteCarlo:
        break;
    }
    const double paths = static_cast<double>(request.monte_carlo.paths);
    return {mc_run_cost(paths * solves, m.T, request.year_days),
            std::to_string(request.monte_carlo.paths) + " paths over " + amount("%g", m.T) + " years", RunKnob::Paths};
}

double greeks_solves(const PricingRequest& request)
{
    return request.method == PricingMethod::Accurate ? 5.0 : 3.0;
}
