#pragma once

#include "CliOutput.h"
#include "Commands.h"
#include "StructureOptions.h"

#include <CLI/CLI.hpp>

#include <QString>

#include <memory>
#include <string>

class Snowball_PDE;
struct PreparedStructure;

// What the commands that price one structure share.

// The options of a command that prices one structure.
struct StructureCommand
{
    CommonOptions common;
    StructureOptions structure;
    bool accurate = false;  // --accurate, on the commands that take it
};

void addStructureCommandOptions(CLI::App& sub, StructureCommand& o);

// --accurate: the engine's accurate mode instead of the design grid.
void addAccurateOption(CLI::App& sub, bool& accurate);

// With accurate, puts the engine (already handed the structure) in the
// accurate mode with the structure's trading days a year; else leaves it
// in the design mode.
void setPricingMode(Snowball_PDE& engine, const PreparedStructure& p, bool accurate);

// The target the window presets: the spot for a note, 0 for an option;
// --target when given.
double targetOption(const std::string& text, const PreparedStructure& p);

// engine.price(), or CliError (refused) when the engine gives no finite price
// (in the accurate mode also when its error estimate is no finite number).
double priceOrRefuse(Snowball_PDE& engine);

// The accurate price's error estimate beside a JSON result's "price" (key
// "error_estimate"), or as an "error estimate" table line; nothing in the
// design mode, whose output stays as it was.
void addErrorEstimate(Json& j, const Snowball_PDE& engine, const char* key = "error_estimate");
// "mode": "accurate" in the accurate mode; nothing in the design mode.
void addPricingMode(Json& j, const Snowball_PDE& engine);
void addErrorEstimate(KeyValueTable& t, const Snowball_PDE& engine);

// A JSON result opened with its command's name.
Json commandJson(const char* command);

// The run function of a subcommand whose options live in *options.
template <class Options>
CommandRun bindCommand(std::shared_ptr<Options> options, std::string (*run)(const Options&))
{
    return [options, run]() { return run(*options); };
}
