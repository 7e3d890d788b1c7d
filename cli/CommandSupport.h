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
};

void addStructureCommandOptions(CLI::App& sub, StructureCommand& o);

// The target the window presets: the spot for a note, 0 for an option;
// --target when given.
double targetOption(const std::string& text, const PreparedStructure& p);

// engine.price(), or CliError (refused) when the engine gives no finite price.
double priceOrRefuse(Snowball_PDE& engine);

// A JSON result opened with its command's name.
Json commandJson(const char* command);

// The run function of a subcommand whose options live in *options.
template <class Options>
CommandRun bindCommand(std::shared_ptr<Options> options, std::string (*run)(const Options&))
{
    return [options, run]() { return run(*options); };
}
