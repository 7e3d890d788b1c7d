#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "Snowball_PDE.h"
#include "StructureSetup.h"

#include <cmath>

void addStructureCommandOptions(CLI::App& sub, StructureCommand& o)
{
    addStructureOptions(sub, o.structure);
    addCommonOptions(sub, o.common);
}

void addAccurateOption(CLI::App& sub, bool& accurate)
{
    sub.add_flag("--accurate", accurate,
                 "Accurate mode: the contract's own monitoring (knock-in at every close of --year-days) on a "
                 "refined grid, with an error estimate; --M, --N and --smax are not used");
}

void setPricingMode(Snowball_PDE& engine, const PreparedStructure& p, bool accurate)
{
    if (!accurate)
        return;
    engine.mode = PricingMode::Accurate;
    engine.year_days = static_cast<int>(p.yearDays);
}

double targetOption(const std::string& text, const PreparedStructure& p)
{
    if (!text.empty())
        return numberOption(text, "--target");
    return p.form == PayoffForm::Option ? 0.0 : p.terms.params.S0;
}

double priceOrRefuse(Snowball_PDE& engine)
{
    const double value = engine.price();
    const bool accurate = engine.mode == PricingMode::Accurate;
    if (std::isnan(value) && accurate) {
        // price() keeps only the number; a second solve (only on this
        // failure) tells a refusal from an overflow.
        const AccurateSolution solution = engine.accurate_solution(engine.params.T);
        if (!solution.ok())
            throw refused("the engine refused the structure (no price): " + solution.error);
        throw refused("the price is " + full(value) + ", not a finite number: check the coupons and levels");
    }
    if (std::isnan(value))
        throw refused("the engine refused the structure (no price)");
    if (!std::isfinite(value))
        throw refused("the price is " + full(value) + ", not a finite number: check the coupons and levels");
    if (accurate && !std::isfinite(engine.error_estimate))
        throw refused("the accurate price's error estimate is " + full(engine.error_estimate) +
                      ", not a finite number");
    return value;
}

void addErrorEstimate(Json& j, const Snowball_PDE& engine, const char* key)
{
    if (engine.mode == PricingMode::Accurate)
        j[key] = engine.error_estimate;
}

void addPricingMode(Json& j, const Snowball_PDE& engine)
{
    if (engine.mode == PricingMode::Accurate)
        j["mode"] = "accurate";
}

void addErrorEstimate(KeyValueTable& t, const Snowball_PDE& engine)
{
    // Significant digits: the estimate is usually well below the price's last decimal.
    if (engine.mode == PricingMode::Accurate)
        t.add("error estimate", general(engine.error_estimate));
}

Json commandJson(const char* command)
{
    Json j;
    j["command"] = command;
    return j;
}
