#pragma once

#include <stdexcept>
#include <string>
#include <utility>

// Exit statuses of kelvara-cli.
enum ExitStatus : int {
    ExitOk = 0,
    ExitRefused = 1,   // the engine refused the structure, or a target cannot be reached
    ExitBadInput = 2,  // usage errors and input that cannot be used
};

// Ends a command: main prints "error: <what>" as one line on standard error
// and exits with status. Thrown before anything has been written to stdout.
class CliError : public std::runtime_error
{
public:
    CliError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

inline CliError badInput(const std::string& message) { return CliError(ExitBadInput, message); }
inline CliError refused(const std::string& message) { return CliError(ExitRefused, message); }

// Some items of a run failed (each already reported); the output of the
// others is still written, then the run ends with status 1.
class PartialFailure : public CliError
{
public:
    PartialFailure(std::string output, const std::string& message)
        : CliError(ExitRefused, message), output_(std::move(output))
    {
    }
    const std::string& output() const { return output_; }

private:
    std::string output_;
};
