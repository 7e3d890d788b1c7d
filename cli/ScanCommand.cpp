#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "Pricer.h"
#include "Refusal.h"
#include "StressGrid.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"
#include "TermTable.h"
#include "UnivariateScan.h"

#include <algorithm>
#include <cmath>

namespace {

struct ScanCommand : StructureCommand
{
    int param = static_cast<int>(Param::Sigma);
    std::string from, to, step;
    std::string target;
};

std::string runScan(const ScanCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false, o.method());
    CommandMarket market;
    const PricingRequest request = commandRequest(o, p, &market);
    // --param is checked 0..5; with a market the volatility's range is its shift's.
    const TermSpec& defaults = termDefaults(static_cast<Param>(o.param), market.model != nullptr);
    const double to = o.to.empty() ? defaults.end : numberOption(o.to, "--to");
    const double step = o.step.empty() ? defaults.step : numberOption(o.step, "--step");
    const double target = targetOption(o.target, p);
    // The default range starts at the first value the method prices (the
    // accurate mode refuses a volatility of 0); a --from given is kept.
    const double from = o.from.empty() ? first_priced_value(request, defaults.id, defaults.start, to, step)
                                       : numberOption(o.from, "--from");
    const int points = std::min(grid_point_count(from, to, step), kScanMaxPoints);
    checkRuns(request, std::max(points, 1), GridUse::PriceOnly);
    const ScanResult r = univariate_scan(request, defaults.id, from, to, step, target);
    switch (r.refusal.code) {
    case RefusalCode::EmptyAxis:
        throw badInput("--step: no point from --from to --to at this step");
    case RefusalCode::AxisTooLong:
        throw badInput("--step: more than " + std::to_string(kMaxGridPoints) + " points");
    default:
        break;
    }
    if (!r.ok())
        throw refused("无法对结构进行定价: " + r.error);
    for (std::size_t i = 0; i < r.values.size(); ++i) {
        if (!std::isfinite(r.prices[i]))
            throw refused("the price at value " + full(r.values[i]) + " is " + full(r.prices[i]) +
                          ", not a finite number");
        if (r.error_estimates[i] && !std::isfinite(*r.error_estimates[i]))
            throw refused("the error estimate at value " + full(r.values[i]) + " is " +
                          full(*r.error_estimates[i]) + ", not a finite number");
    }
    const double nearestValue = r.values[static_cast<std::size_t>(r.best)];
    const double nearestPrice = r.prices[static_cast<std::size_t>(r.best)];

    if (o.common.json) {
        Json j = commandJson("scan");
        addPricingMode(j, request);
        addMarketJson(j, o.marketFiles, market);
        if (market.model && defaults.id == Param::Sigma)
            j["value_means"] = kShiftMeaning;
        j["param"] = o.param;
        j["target"] = target;
        j["step"] = r.step;
        j["capped"] = r.capped;
        addNotes(j, structureNotes(p));
        Json points = Json::array();
        for (std::size_t i = 0; i < r.values.size(); ++i) {
            Json point{{"value", r.values[i]}, {"price", r.prices[i]}};
            addErrorEstimate(point, r.error_estimates[i]);
            points.push_back(point);
        }
        j["points"] = points;
        Json nearest{{"value", nearestValue}, {"price", nearestPrice}};
        addErrorEstimate(nearest, r.error_estimates[static_cast<std::size_t>(r.best)]);
        nearest["deviation"] = std::fabs(target - nearestPrice);
        j["nearest"] = nearest;
        return jsonLine(j);
    }
    // Prices with an error estimate get it as a third column.
    const bool estimated = r.error_estimates.front().has_value();
    const auto estimate = [&](std::size_t i) {
        return estimated ? "," + errorBound(*r.error_estimates[i], o.common.digits) : "";
    };
    std::string out = estimated ? "value,price,error_estimate\n" : "value,price\n";
    for (std::size_t i = 0; i < r.values.size(); ++i)
        out += general(r.values[i]) + "," + fixed(r.prices[i], o.common.digits) + estimate(i) + "\n";
    out += "nearest," + general(nearestValue) + "," + fixed(nearestPrice, o.common.digits) +
           estimate(static_cast<std::size_t>(r.best)) + "\n";
    return out;
}

}  // namespace

CommandRun addScanCommand(CLI::App& app)
{
    auto o = std::make_shared<ScanCommand>();
    CLI::App* sub = app.add_subcommand("scan", "Price against one term (单变量-价格分析), at most 20 points");
    addStructureCommandOptions(*sub, *o);
    addAccurateOption(*sub, *o);
    sub->add_option("--param", o->param,
                    "Term: 0 敲出价格, 1 敲入价格, 2 敲出票息, 3 波动率, 4 红利票息, 5 红利&敲出票息")
        ->capture_default_str()
        ->transform(integerFromTo(0, 5));
    sub->add_option("--from", o->from,
                    "First value, engine units (default: the panel's range of the term, from the first value the "
                    "method prices; with market files the volatility's shift from -0.05 to 0.05 by 0.01)")
        ->check(NumberText)
        ->type_name("NUMBER");
    sub->add_option("--to", o->to, "Last value")->check(NumberText)->type_name("NUMBER");
    sub->add_option("--step", o->step, "Step")->check(NumberText)->type_name("NUMBER");
    sub->add_option("--target", o->target, "Target price (default: the spot for a note, 0 for an option)")
        ->check(NumberText)
        ->type_name("NUMBER");
    return bindCommand(o, runScan);
}
