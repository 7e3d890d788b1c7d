#pragma once

#include "CliOutput.h"
#include "Commands.h"
#include "MarketOptions.h"
#include "StructureOptions.h"

#include "PricingRequest.h"
#include "Valuation.h"

#include <CLI/CLI.hpp>

#include <QString>

#include <memory>
#include <optional>
#include <string>

struct PreparedStructure;

// What the commands that price one structure share.

// The options of a command that prices one structure.
struct StructureCommand
{
    CommonOptions common;
    StructureOptions structure;
    bool accurate = false;  // --accurate, on the commands that take it
    MarketFileOptions marketFiles;  // with --accurate (mc: --reference)

    PricingMethod method() const { return accurate ? PricingMethod::Accurate : PricingMethod::DesignGrid; }
};

void addStructureCommandOptions(CLI::App& sub, StructureCommand& o);

// --accurate: the engine's accurate mode instead of the design grid; and the
// market files it takes.
void addAccurateOption(CLI::App& sub, bool& accurate, MarketFileOptions& files);
inline void addAccurateOption(CLI::App& sub, StructureCommand& o) { addAccurateOption(sub, o.accurate, o.marketFiles); }

// The question the command asks of the engine: the prepared structure in its
// form, by the accurate pricer with --accurate, else on the design grid, in
// the market of the files when given (then into *market too).
PricingRequest commandRequest(const StructureCommand& o, const PreparedStructure& p, CommandMarket* market = nullptr);

// The target the window presets: the spot for a note, 0 for an option;
// --target when given.
double targetOption(const std::string& text, const PreparedStructure& p);

// The price, or CliError (refused) with the engine's reason when there is
// none (a refusal by the rule set, a figure that is no finite number).
Valuation priceOrRefuse(const PricingRequest& request);

// Refuses (CliError, refused) an answer that is not ok, in the engine's words.
void requireOk(const Answer& answer, const std::string& what);

// The error estimate beside a JSON result's "price" (key "error_estimate"),
// or as an "error estimate" table line (in the price's decimals, rounded up:
// errorBound), when the method gives one; nothing on the design grid, whose
// output stays as it was.
void addErrorEstimate(Json& j, const std::optional<double>& estimate, const char* key = "error_estimate");
void addErrorEstimate(KeyValueTable& t, const std::optional<double>& estimate, int digits);
// "mode" of the method beside the results ("accurate"); nothing on the design grid.
void addPricingMode(Json& j, const PricingRequest& request);

// A JSON result opened with its command's name.
Json commandJson(const char* command);

// The run function of a subcommand whose options live in *options; the
// options learn the run they belong to (options->common.run).
template <class Options>
CommandRun bindCommand(std::shared_ptr<Options> options, std::string (*run)(const Options&))
{
    return [options, run](RunContext& context) {
        options->common.run = &context;
        return run(*options);
    };
}
