// Speed under curves and local volatility: an accurate price under the
// skewed local volatility grid (and under curves) against the flat accurate
// price of the same structure (limit: twice its CPU time), an accurate price
// from the fitted implied volatility surface (its Dupire local volatility on
// the pricer's own nodes and steps; limit: three times), and the reference
// Monte Carlo under the grid, 8 million paths on both cores (limit: 15 s;
// judged on the process CPU time / 2, the wall time of an idle 2-core
// machine, since the shared machine's wall time mostly measures the others).
#include "AccuratePricer.h"
#include "MarketStructures.h"
#include "MedianReport.h"
#include "ReferenceMonteCarlo.h"

#include <cstdio>

namespace {

enum Model { Flat = 0, Curves = 1, Local = 2, Surface = 3 };

AccurateCase case_of(int index) { return marketCases()[static_cast<std::size_t>(index)]; }

void price(benchmark::State& state)
{
    const AccurateCase k = case_of(static_cast<int>(state.range(0)));
    const MarketModel market = state.range(1) == Surface  ? fittedSurfaceMarket(EssviSurface(), k.model.S0)
                               : state.range(1) == Local  ? localMarket(k.model.S0)
                               : state.range(1) == Curves ? curvesMarket(k.model.S0, k.model.sigma)
                                                          : *MarketModel::flat(k.model).value;
    for (auto _ : state) {
        const AccurateSolution s = solve_accurate(k.contract, market, k.model.T, k.year_days);
        benchmark::DoNotOptimize(s.value(k.model.S0, false));
    }
}

void monte_carlo(benchmark::State& state)
{
    const AccurateCase k = defaultCase();
    const MarketModel market = localMarket(k.model.S0);
    ReferenceMcSettings settings;
    settings.paths = state.range(0);
    settings.seed = 20241207;
    for (auto _ : state) {
        const ReferenceMcResult r = reference_monte_carlo(k.contract, market, k.model.T, k.year_days, settings);
        benchmark::DoNotOptimize(r.price);
        state.counters["price"] = r.price;
        state.counters["se"] = r.standard_error;
        state.counters["bias"] = r.time_check.time_bias.mean;
        state.counters["rounds"] = r.time_check.rounds;
    }
}

const char* const kNames[] = {"default_lock3", "option_form", "stepdown_2y_floor", "spot_near_ki"};  // marketCases() order
const char* const kModels[] = {"flat", "curves", "local_vol", "surface"};

}  // namespace

int main(int argc, char** argv)
{
    for (int c = 0; c < 4; ++c)
        for (int m = 0; m < 4; ++m)
            benchmark::RegisterBenchmark((std::string("market_price/") + kNames[c] + "/" + kModels[m]).c_str(), price)
                ->Args({c, m})
                ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("reference_mc_local_vol/8M_paths", monte_carlo)
        ->Args({8000000})
        ->Iterations(1)
        ->Repetitions(3)
        ->UseRealTime()
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    MedianReport reporter;
    reporter.run(argc, argv);
    for (const char* name : kNames) {
        const auto flat = reporter.cpu_ms.find(std::string("market_price/") + name + "/flat");
        for (const char* model : {"curves", "local_vol", "surface"}) {
            const auto other = reporter.cpu_ms.find(std::string("market_price/") + name + "/" + model);
            if (flat == reporter.cpu_ms.end() || other == reporter.cpu_ms.end())
                continue;
            const double ratio = other->second / flat->second;
            const double limit = std::string(model) == "surface" ? 3.0 : 2.0;
            std::printf("%-45s %6.2f x the flat price's cpu   limit %.1f x   %s\n",
                        (std::string("market_price/") + name + "/" + model).c_str(), ratio, limit,
                        ratio <= limit ? "ok" : "OVER");
        }
    }
    const auto mc = reporter.cpu_ms.find("reference_mc_local_vol/8M_paths");
    const auto mc_wall = reporter.wall_ms.find("reference_mc_local_vol/8M_paths");
    if (mc != reporter.cpu_ms.end())
        std::printf("reference_mc_local_vol, 8M paths: %.2f s cpu / 2 cores = %.2f s (wall here %.2f s), limit 15 s   %s\n",
                    mc->second / 1e3, mc->second / 2e3, mc_wall->second / 1e3, mc->second / 2e3 <= 15.0 ? "ok" : "OVER");
    benchmark::Shutdown();
    return 0;
}
