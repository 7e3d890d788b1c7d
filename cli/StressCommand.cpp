#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "ParameterSearch.h"
#include "Pricer.h"
#include "Refusal.h"
#include "RequestMarket.h"
#include "StressGrid.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <cmath>

namespace {

struct StressCommand : StructureCommand
{
    std::string prices = "70:130:10";
    std::string vols = "0.05:0.5:0.05";
    std::string days = "100";
    std::string out;
};

GridAxis stressAxis(const std::string& text, const char* option)
{
    const AxisRange r = rangeOption(text, option);
    const int count = grid_point_count(r.start, r.end, r.step);
    if (count < 1)
        throw badInput(std::string(option) + ": no point from START to END at STEP");
    if (count > kMaxGridPoints)
        throw badInput(std::string(option) + ": more than " + std::to_string(kMaxGridPoints) + " points");
    return GridAxis{r.start, r.step, count};
}

// One table of the stress data file, as the stress panel exports it.
std::string stressTable(const char* name, const StressMatrix& m, const GridAxis& prices, const GridAxis& vols)
{
    std::string out = std::string(name) + "\n情景";
    for (int c = 0; c < prices.count; ++c)
        out += "," + general(prices.at(c));
    out += "\n";
    for (int r = 0; r < vols.count; ++r) {
        out += u8(QString::number(vols.at(r) * 100.0, 'g', 6)) + "%";
        for (int c = 0; c < prices.count; ++c)
            out += "," + fixed(m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)], 3);
        out += "\n";
    }
    return out + "\n\n";
}

// Why a cell has no finite value, in the terms of the request's method: the
// design grid ends at --smax; the accurate grid reaches every price of the
// axis from 0 up, so there it is a negative price or the volatility.
std::string whyNoCell(const PricingRequest& request, double price, double vol)
{
    if (request.method == PricingMethod::DesignGrid)
        return "a price above --smax is off the grid";
    if (!(price >= 0.0))
        return "the accurate pricer values prices of 0 and above only";
    PricingRequest at = request;
    set_term(at, Param::Sigma, vol);
    Refusal why = pricing_refusal(at);
    if (!why && at.market)
        why = request_market(at).refusal;
    return "the accurate pricer cannot price this volatility" + (why ? ": " + why.reason : std::string());
}

std::string runStress(const StressCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false, o.method());
    const GridAxis prices = stressAxis(o.prices, "--prices");
    const GridAxis vols = stressAxis(o.vols, "--vols");
    const int days = integerOption(o.days, "--days");
    if (days < 0)
        throw badInput("--days: the remaining trading days cannot be negative");
    const double tau = days / 252.0;  // the stress panel's reading of "交易日:"

    CommandMarket market;
    const PricingRequest request = commandRequest(o, p, &market);
    checkRuns(request, vols.count + 1, GridUse::KeepGrids);
    priceOrRefuse(request);  // a structure the engine refuses would give tables of nan
    const StressResult result = stress_grid(request, prices, vols, tau);
    requireOk(result, "no stress grid");
    // A cell off the grid or an overflow is no answer: say which one.
    const std::pair<const char*, const StressMatrix*> tables[] = {
        {"TV", &result.tv}, {"Delta", &result.delta}, {"Gamma", &result.gamma}};
    for (const auto& [name, m] : tables) {
        for (int r = 0; r < vols.count; ++r) {
            for (int c = 0; c < prices.count; ++c) {
                const double v = (*m)[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
                if (!std::isfinite(v))
                    throw refused(std::string(name) + " at price " + general(prices.at(c)) + ", volatility " +
                                  general(vols.at(r)) + " is " + full(v) + " (" +
                                  whyNoCell(request, prices.at(c), vols.at(r)) + ")");
            }
        }
    }

    // Tables in the order the stress data file holds them.
    const std::string data = stressTable("Delta", result.delta, prices, vols) +
                             stressTable("Gamma", result.gamma, prices, vols) +
                             stressTable("TV", result.tv, prices, vols);
    std::string stdoutText = data;
    if (o.common.json) {
        Json j = commandJson("stress");
        addPricingMode(j, request);
        addMarketJson(j, o.marketFiles, market);
        if (market.model)
            j["vols_mean"] = kShiftMeaning;
        std::vector<double> priceAxis, volAxis;
        for (int c = 0; c < prices.count; ++c)
            priceAxis.push_back(prices.at(c));
        for (int r = 0; r < vols.count; ++r)
            volAxis.push_back(vols.at(r));
        j["prices"] = priceAxis;
        j["vols"] = volAxis;
        j["days"] = days;
        j["tau"] = tau;
        j["tv"] = result.tv;
        j["delta"] = result.delta;
        j["gamma"] = result.gamma;
        addNotes(j, structureNotes(p));
        stdoutText = jsonLine(j);
    }
    if (!o.out.empty()) {
        writeFileAtomically(o.out, data, false);
        if (!o.common.json)
            stdoutText.clear();
    }
    return stdoutText;
}

}  // namespace

CommandRun addStressCommand(CLI::App& app)
{
    auto o = std::make_shared<StressCommand>();
    CLI::App* sub = app.add_subcommand("stress", "S-σ stress tables Delta, Gamma, TV in the stress data format");
    addStructureCommandOptions(*sub, *o);
    addAccurateOption(*sub, *o);
    sub->add_option("--prices", o->prices, "Underlying prices START:END:STEP")
        ->capture_default_str()
        ->check(RangeText)
        ->type_name("START:END:STEP");
    sub->add_option("--vols", o->vols, "Volatilities START:END:STEP, decimals")
        ->capture_default_str()
        ->check(RangeText)
        ->type_name("START:END:STEP");
    sub->add_option("--days", o->days, "Remaining trading days (years = days / 252)")
        ->capture_default_str()
        ->check(IntegerText)
        ->type_name("INT");
    sub->add_option("--out", o->out, "Write the stress data file here (replaced whole) instead of stdout");
    return bindCommand(o, runStress);
}
