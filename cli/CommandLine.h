#pragma once

#include "CliError.h"
#include "Commands.h"

#include <string>
#include <vector>

// kelvara-cli's command line, parsed and run without touching the process's
// streams: main prints what comes back, the Python module hands it to Python.
// Runs on several threads at once keep to themselves (RunContext).

// Every command of kelvara-cli, in the order of its help.
struct CommandEntry
{
    const char* name;
    CommandRun (*add)(CLI::App& app);
};
const std::vector<CommandEntry>& commandTable();

struct CommandLineSettings
{
    std::string shippedCalendar;  // the trading calendar shipped with the program (or the package)
    bool progressBar = false;     // whether a long run may draw a bar on a terminal's standard error
    // Registers only the command args[0] names, when it names one: a third
    // of the cost of a default price instead of three times it, and the same
    // result for every command line but one asking for --help-all (which
    // would list only that command). The Python module's command lines ask
    // for no help.
    bool onlyNamedCommand = false;
};

struct CommandLineResult
{
    int status = ExitOk;              // ExitStatus
    std::string output;               // standard output (--help's text, or the command's)
    std::vector<std::string> errors;  // each one "error: ..." line, in order
    std::string warnings;             // "warning: ..." lines, only when the command (partly) succeeded
    bool help = false;                // output is --help's text
};

// args without the program name, as typed ("price", "--spot", "95", ...).
CommandLineResult runCommandLine(const std::vector<std::string>& args, const CommandLineSettings& settings);
