#include "CommandDescription.h"

#include "CliText.h"
#include "CommandLine.h"

namespace {

bool checkedBy(CLI::Option& option, const CLI::Validator& validator)
{
    try {
        option.get_validator(validator.get_name());
        return true;
    } catch (const CLI::OptionNotFound&) {
        return false;
    }
}

// The shape of an option's text, known from the check it carries.
void describeValue(CLI::Option& option, OptionDescription& d)
{
    struct Shape
    {
        const CLI::Validator* check;
        char separator;
        bool dates;
    };
    const Shape shapes[] = {{&ValueListText, '_', false}, {&DateListText, '_', true}, {&TimeListText, ',', false},
                            {&RangeText, ':', false},     {&DateText, 0, true}};
    for (const Shape& s : shapes) {
        if (checkedBy(option, *s.check)) {
            d.separator = s.separator;
            d.dates = s.dates;
            return;
        }
    }
}

}  // namespace

std::vector<CommandDescription> describeCommands()
{
    CLI::App app;
    std::vector<CommandRun> runs;  // own the options the parser points into
    std::vector<CommandDescription> out;
    for (const CommandEntry& c : commandTable()) {
        runs.push_back(c.add(app));
        CLI::App* sub = app.get_subcommand(c.name);
        CommandDescription command{c.name, sub->get_description(), {}};
        for (CLI::Option* option : sub->get_options()) {
            if (option == sub->get_help_ptr() || option == sub->get_help_all_ptr())
                continue;
            OptionDescription d;
            d.positional = !option->nonpositional();
            if (!d.positional && option->get_lnames().empty())
                continue;  // front ends name options by their long names
            d.name = d.positional ? option->get_name(true) : option->get_lnames().front();
            d.flag = !d.positional && option->get_expected_max() == 0;
            d.help = option->get_description();
            d.defaultText = option->get_default_str();
            describeValue(*option, d);
            command.options.push_back(d);
        }
        out.push_back(command);
    }
    return out;
}
