#pragma once

#include "StructureOptions.h"
#include "StructureTerms.h"

#include <CLI/CLI.hpp>

#include <QDate>

#include <functional>
#include <string>

class Snowball_PDE;
struct PreparedStructure;

// A command's whole standard output, built in memory and written by main
// only once the command has succeeded.
using CommandRun = std::function<std::string()>;

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

// Price and Greeks read off the grids at one spot and date, in the window's
// units: Theta per trading day, Vega and Rho per point.
struct GreeksLookup : LookupGreeks
{
    double spot = 0;
    double tau = 0;
    bool knockedIn = false;
    double errorEstimate = 0;  // of price, in the accurate mode
};

// The window's "风险指标计算": the three grid runs, the Greek grids, then the
// lookup at spot and the remaining time from date to expiry (the maturity
// for engine terms); in the accurate mode the engine's accurate lookup there
// instead, in the same units. Throws CliError (refused) when the engine refuses.
GreeksLookup computeGreeks(Snowball_PDE& engine, const PreparedStructure& structure, double spot, const QDate& date,
                           bool knockedIn);
