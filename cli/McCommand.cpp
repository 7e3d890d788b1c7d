#include "CommandSupport.h"

#include "CliError.h"
#include "CliText.h"
#include "MonteCarlo.h"
#include "RandomStream.h"
#include "ReferenceMonteCarlo.h"
#include "Refusal.h"
#include "RunContext.h"
#include "RunLimits.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <cmath>
#include <cstdint>

namespace {

struct McCommand : StructureCommand
{
    int paths = 50000;
    int stepsPerYear = 252;
    bool reference = false;
    std::uint64_t seed = 1;
    int threads = 0;  // 0: one per core
    // Whether --paths and --steps-per-year were given (the reference run has
    // its own default path count and steps from close to close).
    const CLI::Option* pathsOption = nullptr;
    const CLI::Option* stepsOption = nullptr;
};

constexpr long long kReferencePaths = 1000000;

// The reference Monte Carlo: exact steps between the daily closes of
// --year-days, antithetic pairs and a control variate, reproducible for a
// seed and a thread count.
std::string runReference(const McCommand& o)
{
    if (o.stepsOption->count() > 0)
        throw badInput("--steps-per-year: --reference steps from close to close of --year-days");
    const PreparedStructure p = prepareStructure(o.structure, o.common, false, PricingMethod::ReferenceMonteCarlo);
    PricingRequest request =
        pricingRequest(p.terms, p.form, static_cast<int>(p.yearDays), PricingMethod::ReferenceMonteCarlo);
    const CommandMarket market =
        loadCommandMarket(o.marketFiles, p, PricingMethod::ReferenceMonteCarlo, "--reference");
    request.market = market.model;
    request.monte_carlo.paths = o.pathsOption->count() > 0 ? o.paths : kReferencePaths;
    request.monte_carlo.seed = o.seed;
    request.monte_carlo.threads = o.threads;
    const Refusal paths = pricing_refusal(request);
    if (paths.code == RefusalCode::Paths)
        throw badInput("--paths: " + paths.reason);
    checkRuns(request, 1, GridUse::PriceOnly);

    ReferenceMcResult r;
    {
        ProgressBar bar(1000, o.common.run->progressBar);
        if (bar.shown()) {
            request.progress = [&bar](double done) {
                bar.step(static_cast<int>(done * 1000));
                return true;
            };
        }
        r = reference_monte_carlo(request);
    }
    if (!r.ok())
        throw refused("the reference Monte Carlo refused the structure: " + r.error);
    for (const auto& [name, value] : {std::pair<const char*, double>{"price", r.price},
                                      std::pair<const char*, double>{"standard error", r.standard_error}}) {
        if (!std::isfinite(value))
            throw refused(std::string("the reference Monte Carlo ") + name + " is " + full(value) +
                          ", not a finite number: check the coupons and levels");
    }
    if (o.common.json) {
        Json j = commandJson("mc");
        j["method"] = "reference";
        addMarketJson(j, o.marketFiles, market);
        if (r.time_check.rounds > 0) {
            const McTimeCheck& c = r.time_check;
            j["time_steps"] = {{"method", r.method},
                               {"steps_per_day", c.steps_per_day},
                               {"rounds", c.rounds},
                               {"time_bias", c.time_bias.mean},
                               {"time_bias_error", c.time_bias.standard_error},
                               {"passed", c.passed}};
        }
        j["price"] = r.price;
        j["standard_error"] = r.standard_error;
        j["paths"] = r.paths;
        j["seed"] = o.seed;
        j["threads"] = r.threads;
        addNotes(j, structureNotes(p));
        return jsonLine(j);
    }
    KeyValueTable table;
    addMarketLines(table, o.marketFiles, market);
    if (r.time_check.rounds > 0)
        table.add("time steps", r.method);
    table.add("reference mc price", fixed(r.price, o.common.digits));
    table.add("standard error", errorBound(r.standard_error, o.common.digits));
    table.add("paths", std::to_string(r.paths));
    table.add("seed", std::to_string(o.seed));
    table.add("threads", std::to_string(r.threads));
    return table.text();
}

std::string runMc(const McCommand& o)
{
    if (o.reference)
        return runReference(o);
    if (o.marketFiles.any()) {
        const PreparedStructure p = prepareStructure(o.structure, o.common, false, PricingMethod::DesignGrid);
        loadCommandMarket(o.marketFiles, p, PricingMethod::DesignGrid, "--reference");  // refuses
    }
    const PreparedStructure p = prepareStructure(o.structure, o.common, false, PricingMethod::DesignGrid);
    const StructureTerms& t = p.terms;
    checkMonteCarlo(p, o.paths, o.stepsPerYear);
    // The stream a fresh process starts with: every run gives kelvara-cli's
    // number, however many ran before it in the process (or beside it).
    RandomStream stream;
    const double value = price_monte_carlo(stream, t.contract, t.params, o.stepsPerYear, o.paths);
    if (std::isnan(value))
        throw refused("the Monte Carlo pricer refused the structure (no price)");
    if (!std::isfinite(value))
        throw refused("the Monte Carlo price is " + full(value) + ", not a finite number: check the coupons and levels");
    if (o.common.json) {
        Json j = commandJson("mc");
        j["price"] = value;
        j["paths"] = o.paths;
        j["steps_per_year"] = o.stepsPerYear;
        addNotes(j, structureNotes(p));
        return jsonLine(j);
    }
    KeyValueTable table;
    table.add("mc price (% of notional)", fixed(value, o.common.digits));
    table.add("paths", std::to_string(o.paths));
    table.add("steps per year", std::to_string(o.stepsPerYear));
    return table.text();
}

}  // namespace

CommandRun addMcCommand(CLI::App& app)
{
    auto o = std::make_shared<McCommand>();
    CLI::App* sub = app.add_subcommand("mc", "Monte Carlo cross-check, in % of the notional");
    addStructureCommandOptions(*sub, *o);
    o->pathsOption = sub->add_option("--paths", o->paths, "Simulated paths (--reference: default 1000000)")
                         ->capture_default_str()
                         ->transform(integerFromTo(1, 100000000));
    o->stepsOption = sub->add_option("--steps-per-year", o->stepsPerYear, "Time steps per year")
                         ->capture_default_str()
                         ->transform(integerFromTo(1, 100000));
    CLI::Option* reference = sub->add_flag("--reference", o->reference,
                  "The reference Monte Carlo instead: price in the units of the spot with its standard error, "
                  "knock-in checked at every close of --year-days");
    sub->add_option("--seed", o->seed, "--reference: seed of the random numbers")
        ->capture_default_str()
        ->transform(SeedText)
        ->needs(reference);
    sub->add_option("--threads", o->threads, "--reference: threads (default: one per core)")
        ->transform(integerFromTo(0, 1024))
        ->needs(reference);
    addMarketFileOptions(*sub, o->marketFiles);
    return bindCommand(o, runMc);
}
