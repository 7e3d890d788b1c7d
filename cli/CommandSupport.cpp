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

double targetOption(const std::string& text, const PreparedStructure& p)
{
    if (!text.empty())
        return numberOption(text, "--target");
    return p.form == PayoffForm::Option ? 0.0 : p.terms.params.S0;
}

double priceOrRefuse(Snowball_PDE& engine)
{
    const double value = engine.price();
    if (std::isnan(value))
        throw refused("the engine refused the structure (no price)");
    if (!std::isfinite(value))
        throw refused("the price is " + full(value) + ", not a finite number: check the coupons and levels");
    return value;
}

Json commandJson(const char* command)
{
    Json j;
    j["command"] = command;
    return j;
}
