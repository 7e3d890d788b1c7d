#include "CommandLine.h"

#include "BatchCommand.h"
#include "CliError.h"
#include "RunContext.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <sstream>

namespace {

// An error is one line on standard error.
std::string oneLine(std::string message)
{
    std::replace(message.begin(), message.end(), '\n', ' ');
    std::replace(message.begin(), message.end(), '\r', ' ');
    return message;
}

const CommandEntry* findCommand(const std::string& name)
{
    for (const CommandEntry& c : commandTable()) {
        if (name == c.name)
            return &c;
    }
    return nullptr;
}

std::string commandNames()
{
    std::string names;
    for (const CommandEntry& c : commandTable())
        names += (names.empty() ? "" : ", ") + std::string(c.name);
    return names;
}

std::unique_ptr<CLI::App> newApp()
{
    auto app = std::make_unique<CLI::App>(
        "Snowball structure calculator for scripts: the window's engine, calendar and structure "
        "parsing without a display.",
        "kelvara-cli");
    app->require_subcommand(1, 1);
    app->set_help_all_flag("--help-all", "Help of every command");
    return app;
}

}  // namespace

const std::vector<CommandEntry>& commandTable()
{
    static const std::vector<CommandEntry> table = {
        {"price", addPriceCommand}, {"solve", addSolveCommand},       {"scan", addScanCommand},
        {"stress", addStressCommand}, {"mc", addMcCommand},           {"schedule", addScheduleCommand},
        {"grid", addGridCommand},   {"batch", addBatchCommand},       {"profile", addProfileCommand},
        {"surface", addSurfaceCommand},
    };
    return table;
}

CommandLineResult runCommandLine(const std::vector<std::string>& args, const CommandLineSettings& settings)
{
    CommandLineResult result;
    const CommandEntry* named = args.empty() ? nullptr : findCommand(args[0]);
    if (!args.empty() && (args[0].empty() || args[0][0] != '-') && named == nullptr) {
        result.errors.push_back(oneLine("unknown command \"" + args[0] + "\" (" + commandNames() + ")"));
        result.status = ExitBadInput;
        return result;
    }

    // Each run has its own parser: CLI11 keeps the parsed values in it.
    std::unique_ptr<CLI::App> app = newApp();
    std::vector<CommandRun> runs;  // in the order of the table
    for (const CommandEntry& c : commandTable())
        runs.push_back(settings.onlyNamedCommand && named != nullptr && &c != named ? CommandRun() : c.add(*app));
    try {
        app->parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::Success& e) {  // --help, --help-all
        std::ostringstream out, err;
        app->exit(e, out, err);
        result.output = out.str();
        result.help = true;
        return result;
    } catch (const CLI::ParseError& e) {
        result.errors.push_back(oneLine(e.what()));
        result.status = ExitBadInput;
        return result;
    }

    const std::string name = app->get_subcommands().front()->get_name();
    const CommandRun& command = runs[static_cast<std::size_t>(findCommand(name) - commandTable().data())];
    RunContext run;
    run.shippedCalendar = settings.shippedCalendar;
    run.progressBar = settings.progressBar;
    // A failure ends the run: after the failed items' lines, its own; no warnings.
    const auto fail = [&](const std::string& message, int status) {
        run.errors.push_back(oneLine(message));
        result.errors = std::move(run.errors);
        result.status = status;
        return result;
    };
    try {
        result.output = command(run);
    } catch (const PartialFailure& e) {
        result.output = e.output();
        run.errors.push_back(oneLine(e.what()));
        result.status = e.status();
    } catch (const CliError& e) {
        return fail(e.what(), e.status());
    } catch (const std::exception& e) {
        // Memory or a library fault: nothing was written, say what happened.
        return fail(e.what(), ExitRefused);
    } catch (...) {
        return fail("the command stopped on an unexpected failure", ExitRefused);
    }
    result.errors = std::move(run.errors);
    result.warnings = std::move(run.warnings);
    return result;
}
