// Engine work behind the analysis panels' buttons: the stress test's "计算"
// (one grid solve per volatility plus lookups) and the univariate panel's
// "分析" (one price per scanned value). Prints Google Benchmark's table
// (medians of repetitions), then the medians against the limits that keep
// the windows feeling instant.
#include "Snowball_PDE.h"
#include "StressGrid.h"
#include "UnivariateScan.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// The main window's defaults: spot 100, grid top 200, volatility 18%, rate
// 1.5%, one year of 244 trading days (N 243), M 200, monthly knock-out 103
// with 16% coupons, knock-in 80.
Snowball_PDE defaultStructure()
{
    std::vector<double> obs;
    for (int i = 1; i <= 12; ++i)
        obs.push_back(i / 12.0);
    PDEParams p;
    p.S0 = 100;
    p.S_max = 200;
    p.sigma = 0.18;
    p.r = 0.015;
    p.q = 0;
    p.T = 244.0 / 243.0;
    p.M = 200;
    p.N = 243;
    for (double& t : obs)
        t *= p.T;
    Snowball_PDE e;
    e.set_structure(obs, std::vector<double>(12, 103), std::vector<double>(12, 0.16),
                    std::vector<double>(12, 80), 0.16, 0, 0, 0, 0, p);
    return e;
}

// Default panel inputs: prices 70..130 step 10, volatilities 5%..50% step 5%,
// 100 trading days left.
void BM_StressDefault(benchmark::State& state)
{
    const Snowball_PDE e = defaultStructure();
    const GridAxis prices{70, 10, grid_point_count(70, 130, 10)};
    const GridAxis vols{0.05, 0.05, grid_point_count(0.05, 0.5, 0.05)};
    for (auto _ : state) {
        StressResult out;
        benchmark::DoNotOptimize(run_stress_grid(e, prices, vols, 100 / 252.0, out));
        benchmark::DoNotOptimize(out.tv.data());
    }
    state.counters["solves"] = vols.count;
}
BENCHMARK(BM_StressDefault)->Name("stress/default_10vols_7prices")->Unit(benchmark::kMillisecond);

// The panel's default volatility range 0..1 step 0.05: 21 values, capped at 20.
void BM_Scan20(benchmark::State& state)
{
    const Snowball_PDE e = defaultStructure();
    for (auto _ : state) {
        ScanResult r = univariate_scan(e, 3, 0, 1, 0.05, 100);
        benchmark::DoNotOptimize(r.best);
    }
}
BENCHMARK(BM_Scan20)->Name("scan/sigma_20_points")->Unit(benchmark::kMillisecond);

// A knock-out barrier scan: the schedule changes instead of a parameter.
void BM_ScanBarrier20(benchmark::State& state)
{
    const Snowball_PDE e = defaultStructure();
    for (auto _ : state) {
        ScanResult r = univariate_scan(e, 0, 95, 115, 1, 100);
        benchmark::DoNotOptimize(r.best);
    }
}
BENCHMARK(BM_ScanBarrier20)->Name("scan/ko_barrier_20_points")->Unit(benchmark::kMillisecond);

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
    std::printf("%-40s median %9.3f ms wall %9.3f ms cpu   limit %6.1f ms   %s\n", name, wall->second,
                cpu->second, limit_ms, cpu->second <= limit_ms ? "ok" : "OVER");
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
    check(reporter, "stress/default_10vols_7prices", 100.0);
    check(reporter, "scan/sigma_20_points", 50.0);
    check(reporter, "scan/ko_barrier_20_points", 50.0);
    benchmark::Shutdown();
    return 0;
}
