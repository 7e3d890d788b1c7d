// kelvara-cli: the calculator's engine, calendar and structure parsing for
// scripts and servers. Every command builds its whole output in memory and
// it is written only when the command has succeeded; failures are one
// "error: ..." line on standard error with status 2 (bad input) or 1 (engine
// refusal, target out of reach).
#include "CliCalendar.h"
#include "CliError.h"
#include "CommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool writeStdout(const std::string& text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        return false;
    return std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    CommandLineSettings settings;
    settings.shippedCalendar = calendarBesideProgram(argc > 0 ? argv[0] : nullptr);
    settings.progressBar = true;
    const std::vector<std::string> args = argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                                                   : std::vector<std::string>();
    const CommandLineResult r = runCommandLine(args, settings);

    for (const std::string& message : r.errors)
        std::fprintf(stderr, "error: %s\n", message.c_str());
    std::fputs(r.warnings.c_str(), stderr);
    if (!writeStdout(r.output)) {
        if (!r.help)
            std::fprintf(stderr, "error: cannot write to standard output\n");
        return ExitBadInput;
    }
    return r.status;
}
