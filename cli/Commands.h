#pragma once

#include "StructureOptions.h"
#include "StructureTerms.h"

#include <CLI/CLI.hpp>

#include <QDate>

#include <functional>
#include <optional>
#include <string>

struct PreparedStructure;
struct PricingRequest;
struct RunContext;

// A command's whole standard output, built in memory and written by main
// only once the command has succeeded; what else it reports goes to the run.
using CommandRun = std::function<std::string(RunContext&)>;

// Each adder registers its subcommand and the options it takes; the
// returned function runs it once CLI11 has parsed the arguments.
CommandRun addPriceCommand(CLI::App& app);
CommandRun addSolveCommand(CLI::App& app);
CommandRun addScanCommand(CLI::App& app);
CommandRun addStressCommand(CLI::App& app);
CommandRun addMcCommand(CLI::App& app);
CommandRun addScheduleCommand(CLI::App& app);
CommandRun addGridCommand(CLI::App& app);
CommandRun addProfileCommand(CLI::App& app);
CommandRun addSurfaceCommand(CLI::App& app);

// Price and Greeks read off the grids at one spot and date, in the window's
// units: Theta per trading day, Vega and Rho per point.
struct GreeksLookup : LookupGreeks
{
    double spot = 0;
    double tau = 0;
    bool knockedIn = false;
    std::optional<double> errorEstimate;  // of price, when the method gives one
};

// The window's "风险指标计算": the request's Greeks at spot and the remaining
// time from date to expiry (the maturity for engine terms), in the window's
// units. Throws CliError (refused) when the engine refuses.
GreeksLookup computeGreeks(const PricingRequest& request, const PreparedStructure& structure, double spot,
                           const QDate& date, bool knockedIn);
