#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "MatrixText.h"
#include "Pricer.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"


#include <cmath>

namespace {

struct GridCommand : StructureCommand
{
    std::string out;
};

// A grid as rows from the lowest price node up, one value per time column.
std::vector<std::vector<double>> rows(const NEWMAT::Matrix& grid)
{
    std::vector<std::vector<double>> out(static_cast<std::size_t>(grid.Nrows()));
    const double* cells = grid.Store();
    for (int r = 0; r < grid.Nrows(); ++r)
        out[static_cast<std::size_t>(r)].assign(cells + static_cast<long>(r) * grid.Ncols(),
                                                cells + static_cast<long>(r + 1) * grid.Ncols());
    return out;
}

std::string runGrid(const GridCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    const PricingRequest request =
        pricingRequest(p.terms, p.form, static_cast<int>(p.yearDays), PricingMethod::DesignGrid);
    checkRuns(request, 1, GridUse::KeepGrids);
    const ValueGridsAnswer grids = value_grids(request);
    requireOk(grids, "no price");

    // The blocks as text, appended whole by the file writer.
    const std::string text = matrices_text(grids.price_grid, grids.price_ki_grid);
    if (!o.out.empty())
        writeFileAtomically(o.out, text, true);
    if (o.common.json) {
        Json j = commandJson("grid");
        j["dS"] = grids.dS;
        j["dt"] = grids.dt;
        addNotes(j, structureNotes(p));
        j["Price"] = rows(grids.price_grid);
        j["Price_KI"] = rows(grids.price_ki_grid);
        return jsonLine(j);
    }
    return o.out.empty() ? text : std::string();
}

}  // namespace

CommandRun addGridCommand(CLI::App& app)
{
    auto o = std::make_shared<GridCommand>();
    CLI::App* sub = app.add_subcommand("grid", "The value grids as MATRIX: text blocks");
    addStructureCommandOptions(*sub, *o);
    sub->add_option("--out", o->out,
                    "Append the blocks to this file (default: stdout; with --json the "
                    "grids go to stdout as JSON)");
    return bindCommand(o, runGrid);
}
