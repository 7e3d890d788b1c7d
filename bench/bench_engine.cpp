// Speed of the pricing engine on the window's default structure and on
// large grids, against the dense-inverse way of stepping, and of the Monte
// Carlo pricer. Prints Google Benchmark's table (medians of repetitions),
// then the ratios and the limits they are held to.
#include "MonteCarlo.h"
#include "RandomStream.h"
#include "Snowball_PDE.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// S0 100, S_max 200, sigma 0.18, r 0.015, a one-year note observed monthly
// from month 3 to month 12, ko 103, coupon 16%, ki 80, dividend coupon 16%.
Snowball_PDE default_structure(int M, int N)
{
    std::vector<double> obs;
    for (int month = 3; month <= 12; ++month)
        obs.push_back(month / 12.0);
    PDEParams p;
    p.S0 = 100.0;
    p.S_max = 200.0;
    p.sigma = 0.18;
    p.r = 0.015;
    p.q = 0.0;
    p.T = 1.0;
    p.M = M;
    p.N = N;
    Snowball_PDE e;
    e.set_structure(obs, std::vector<double>(obs.size(), 103.0), std::vector<double>(obs.size(), 0.16),
                    std::vector<double>(obs.size(), 80.0), 0.16, 0.0, 0.0, 0.0, 0.0, p);
    return e;
}

void price(benchmark::State& state)
{
    Snowball_PDE e = default_structure(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(e.price());
}

void price_dense_inverse(benchmark::State& state)
{
    Snowball_PDE e = default_structure(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(auto_call_finite_diff_implicit(
            e.obs_times, e.ko_barrier, e.ko_coupon, e.ki_barrier, e.div_coupon, e.floor_price, e.call_strike,
            e.call_participation, e.payoff_type, e.params, StepMethod::DenseInverse));
}

void calculate_and_greeks(benchmark::State& state)
{
    Snowball_PDE e = default_structure(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(e.calculate());
        benchmark::DoNotOptimize(e.create_Greeks());
    }
}

void monte_carlo(benchmark::State& state)
{
    const Snowball_PDE e = default_structure(200, 243);
    for (auto _ : state) {
        RandomStream stream;  // the stream a fresh process starts with
        benchmark::DoNotOptimize(price_monte_carlo(stream, e.params.S0, e.obs_times, e.ko_barrier, e.ko_coupon,
                                                   e.ki_barrier, e.floor_price, e.call_strike,
                                                   e.call_participation, e.params.r, e.params.sigma, e.params.T,
                                                   252, 50000));
    }
}

}  // namespace

BENCHMARK(price)->Name("price/default_M200_N243")->Args({200, 243})->Unit(benchmark::kMillisecond);
BENCHMARK(price_dense_inverse)
    ->Name("price_dense_inverse/default_M200_N243")
    ->Args({200, 243})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(calculate_and_greeks)
    ->Name("calculate+create_Greeks/default_M200_N243")
    ->Args({200, 243})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(price)->Name("price/M1000_N1000")->Args({1000, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(price)->Name("price/M2000_N2430")->Args({2000, 2430})->Unit(benchmark::kMillisecond);
BENCHMARK(monte_carlo)->Name("price_monte_carlo/50000_paths_252_steps")->Unit(benchmark::kMillisecond);

namespace {

// Keeps the medians of the repetitions, by benchmark name, next to the table.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> wall_ms, cpu_ms;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                wall_ms[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpu_ms[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void check(const MedianReporter& r, const char* name, double limit_ms)
{
    const auto wall = r.wall_ms.find(name);
    const auto cpu = r.cpu_ms.find(name);
    if (wall == r.wall_ms.end())
        return;
    std::printf("%-45s median %9.3f ms wall %9.3f ms cpu   limit %7.1f ms   %s\n", name, wall->second, cpu->second,
                limit_ms, cpu->second <= limit_ms ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=7";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nMedians against their limits:\n");
    check(reporter, "price/default_M200_N243", 1.5);
    check(reporter, "calculate+create_Greeks/default_M200_N243", 6.0);
    check(reporter, "price/M1000_N1000", 20.0);
    check(reporter, "price/M2000_N2430", 150.0);
    check(reporter, "price_monte_carlo/50000_paths_252_steps", 400.0);
    const auto fast = reporter.cpu_ms.find("price/default_M200_N243");
    const auto dense = reporter.cpu_ms.find("price_dense_inverse/default_M200_N243");
    if (fast != reporter.cpu_ms.end() && dense != reporter.cpu_ms.end())
        std::printf("dense inverse / factored, default structure: %.1fx (at least 50x)   %s\n",
                    dense->second / fast->second, dense->second >= 50.0 * fast->second ? "ok" : "UNDER");
    benchmark::Shutdown();
    return 0;
}
