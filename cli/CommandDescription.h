#pragma once

#include <string>
#include <vector>

// What each command of kelvara-cli takes, for front ends that build its
// command lines from typed values (the Python module's keywords): read off
// the registered commands, so that a command added to the table shows up.
struct OptionDescription
{
    std::string name;         // long name without dashes ("lookup-spot"), or a positional's ("FILE")
    bool positional = false;
    bool flag = false;        // given or not, no value
    bool dates = false;       // its items are dates (yyyyMMdd)
    char separator = 0;       // items joined by it ('_', ',', ':'); 0: a single item
    std::string help;
    std::string defaultText;  // the default --help shows, "" when none
};

struct CommandDescription
{
    std::string name;
    std::string help;
    std::vector<OptionDescription> options;  // --help and --help-all left out
};

std::vector<CommandDescription> describeCommands();
