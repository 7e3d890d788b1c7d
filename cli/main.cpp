// kelvara-cli: the calculator's engine, calendar and structure parsing for
// scripts and servers. Every command builds its whole output in memory and
// writes it only when it has succeeded; failures are one "error: ..." line on
// standard error with status 2 (bad input) or 1 (engine refusal, target out
// of reach).
#include "BatchCommand.h"
#include "CliCalendar.h"
#include "CliError.h"
#include "CliOutput.h"
#include "Commands.h"
#include "StructureNotes.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <sstream>
#include <string>

namespace {

void printError(const std::string& message)
{
    std::string line = message;
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    std::fprintf(stderr, "error: %s\n", line.c_str());
}

bool writeStdout(const std::string& text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        return false;
    return std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    setProgramPath(argc > 0 ? argv[0] : nullptr);
    CLI::App app(
        "Snowball structure calculator for scripts: the window's engine, calendar and structure "
        "parsing without a display.",
        "kelvara-cli");
    app.require_subcommand(1, 1);
    app.set_help_all_flag("--help-all", "Help of every command");

    std::map<std::string, CommandRun> commands;
    commands["price"] = addPriceCommand(app);
    commands["solve"] = addSolveCommand(app);
    commands["scan"] = addScanCommand(app);
    commands["stress"] = addStressCommand(app);
    commands["mc"] = addMcCommand(app);
    commands["schedule"] = addScheduleCommand(app);
    commands["grid"] = addGridCommand(app);
    commands["batch"] = addBatchCommand(app);
    commands["profile"] = addProfileCommand(app);
    commands["surface"] = addSurfaceCommand(app);

    if (argc > 1 && argv[1][0] != '-' && commands.count(argv[1]) == 0) {
        printError(std::string("unknown command \"") + argv[1] +
                   "\" (price, solve, scan, stress, mc, schedule, grid, batch, profile)");
        return ExitBadInput;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {   // --help, --help-all
        std::ostringstream out, err;
        app.exit(e, out, err);
        return writeStdout(out.str()) ? ExitOk : ExitBadInput;
    } catch (const CLI::ParseError& e) {
        printError(e.what());
        return ExitBadInput;
    }

    const std::string name = app.get_subcommands().front()->get_name();
    std::string output;
    int status = ExitOk;
    try {
        output = commands.at(name)();
    } catch (const PartialFailure& e) {
        output = e.output();
        printError(e.what());
        status = e.status();
    } catch (const CliError& e) {
        printError(e.what());
        return e.status();
    } catch (const std::exception& e) {
        // Memory or a library fault: nothing was written, say what happened.
        printError(e.what());
        return ExitRefused;
    }
    std::fputs(takeWarnings().c_str(), stderr);
    if (!writeStdout(output)) {
        printError("cannot write to standard output");
        return ExitBadInput;
    }
    return status;
}
