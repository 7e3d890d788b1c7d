// Speed of the probability profile against the engine's price on the
// window's default structure (limit: 3 prices), and of the reference Monte
// Carlo: 8 million paths of the default structure on all cores (limit: 10 s
// wall), with and without a progress hook.
#include "MedianReport.h"
#include "ProbabilityProfile.h"
#include "ProfileStructures.h"
#include "ReferenceMonteCarlo.h"

#include <cstdio>

namespace {

const ProfileCase& default_case()
{
    static const ProfileCase c = profile_cases().front();
    return c;
}

void price(benchmark::State& state)
{
    Snowball_PDE e = classicSnowball(200, 243, 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(e.price());
}

void profile(benchmark::State& state)
{
    const ProfileCase& c = default_case();
    for (auto _ : state)
        benchmark::DoNotOptimize(probability_profile(c.contract, c.model).ki_probability);
}

void monte_carlo(benchmark::State& state)
{
    const ProfileCase& c = default_case();
    ReferenceMcSettings settings;
    settings.paths = state.range(0);
    settings.seed = 20240601;
    const bool with_hook = state.range(1) != 0;
    double last_seen = 0.0;
    for (auto _ : state) {
        const ReferenceMcResult r =
            with_hook ? reference_monte_carlo(c.contract, c.model, 243, settings,
                                              [&](double done) { return (last_seen = done) >= 0.0; })
                      : reference_monte_carlo(c.contract, c.model, 243, settings);
        benchmark::DoNotOptimize(r.price);
        state.counters["price"] = r.price;
        state.counters["se"] = r.standard_error;
        state.counters["threads"] = r.threads;
    }
}

}  // namespace

BENCHMARK(price)->Name("price/default_M200_N243")->Unit(benchmark::kMillisecond);
BENCHMARK(profile)->Name("probability_profile/default_M200_N243")->Unit(benchmark::kMillisecond);
BENCHMARK(monte_carlo)
    ->Name("reference_monte_carlo/8M_paths")
    ->Args({8000000, 0})
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(monte_carlo)
    ->Name("reference_monte_carlo/1M_paths_no_hook")
    ->Args({1000000, 0})
    ->Iterations(1)
    ->Repetitions(5)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(monte_carlo)
    ->Name("reference_monte_carlo/1M_paths_hook")
    ->Args({1000000, 1})
    ->Iterations(1)
    ->Repetitions(5)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    MedianReport reporter;
    reporter.run(argc, argv);
    const auto& cpu = reporter.cpu_ms;
    const auto& wall = reporter.wall_ms;
    const auto p = cpu.find("price/default_M200_N243"), f = cpu.find("probability_profile/default_M200_N243");
    if (p != cpu.end() && f != cpu.end())
        std::printf("probability_profile / price, default structure: %.2fx (at most 3x)   %s\n",
                    f->second / p->second, f->second <= 3.0 * p->second ? "ok" : "OVER");
    const auto mc = wall.find("reference_monte_carlo/8M_paths");
    if (mc != wall.end())
        std::printf("reference_monte_carlo, 8M paths: %.2f s wall (at most 10 s)   %s\n", mc->second / 1e3,
                    mc->second <= 10000.0 ? "ok" : "OVER");
    // CPU, not wall: on a shared machine the wall time mostly measures the
    // other processes; the hook's own cost is what the CPU time shows.
    const auto hook = cpu.find("reference_monte_carlo/1M_paths_hook"),
               none = cpu.find("reference_monte_carlo/1M_paths_no_hook");
    if (hook != cpu.end() && none != cpu.end())
        std::printf("progress hook / none, 1M paths: %.3fx cpu (at most 1.05x)   %s\n", hook->second / none->second,
                    hook->second <= 1.05 * none->second ? "ok" : "OVER");
    benchmark::Shutdown();
    return 0;
}
