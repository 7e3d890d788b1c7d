#pragma once

#include "PricingRequest.h"

#include <string>

// What a run will cost before it starts, so that sizes that cannot finish
// (memory beyond the machine, minutes of work) are refused up front with a
// message instead of being killed or left running. The costs per node were
// measured on a 2-core desktop (RelWithDebInfo): a price-only grid run takes
// about 5 ns per node, a run that keeps its grids and their Greeks about
// 200 ns per node and 20 doubles per node; a Monte Carlo path step about 25 ns.

struct RunCost
{
    double bytes = 0;
    double seconds = 0;
};

// A run should end within this many seconds.
constexpr double kMaxRunSeconds = 60.0;

// The share of physical memory a run may use, and those bytes.
constexpr double kSafeMemoryShare = 0.5;
double safe_memory_bytes();

enum class GridUse {
    PriceOnly,   // price(): two value columns
    KeepGrids,   // price_with_grids / calculate: every column kept, Greek grids built
};

// runs grid solves of (M + 1) x (N + 1) nodes (doubles: no overflow for any size).
RunCost pde_run_cost(double M, double N, double runs, GridUse use);
// paths Monte Carlo paths over T years at steps_per_year.
RunCost mc_run_cost(double paths, double T, double steps_per_year);

// Empty when the cost fits; otherwise a message naming the limit it breaks
// and the size that breaks it ("what", e.g. "a 200 x 100000000 grid").
std::string run_budget_problem(const RunCost& cost, const std::string& what);

// What a request's runs would change to fit: the design grid's size, the
// number of accurate solves, or the Monte Carlo's paths.
enum class RunKnob { GridSize, AccurateSolves, Paths };

struct RunEstimate
{
    RunCost cost;
    std::string what;  // the runs named for a refusal ("3 runs of a 200 x 243 grid")
    RunKnob knob;
};

// `solves` solves of the request by its method: design-grid runs that keep
// their grids or not (`use`), accurate solves (whose levels step like
// price-only grids of their nodes a day over the trading days to maturity),
// or one Monte Carlo run of its paths from close to close.
RunEstimate request_run_cost(const PricingRequest& request, double solves, GridUse use);

// The solves behind the Greeks of one request: the design grid's three kept
// grids, the accurate pricer's base and four bumped solves.
double greeks_solves(const PricingRequest& request);
