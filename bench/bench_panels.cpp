// Engine work behind the analysis panels' buttons: the stress test's "计算"
// (one grid solve per volatility plus lookups) and the univariate panel's
// "分析" (one price per scanned value). Prints Google Benchmark's table
// (medians of repetitions), then the medians against the limits that keep
// the windows feeling instant.
#include "ClassicSnowball.h"
#include "MedianReport.h"
#include "Snowball_PDE.h"
#include "StressGrid.h"
#include "UnivariateScan.h"


namespace {

// The main window's defaults: a one-year note on M 200, N 243, observed
// monthly from month 3 (lock 3).
Snowball_PDE defaultStructure()
{
    return classicSnowball(200, 243, 3);
}

// Default panel inputs: prices 70..130 step 10, volatilities 5%..50% step 5%,
// 100 trading days left.
void BM_StressDefault(benchmark::State& state)
{
    const Snowball_PDE e = defaultStructure();
    const GridAxis prices{70, 10, grid_point_count(70, 130, 10)};
    const GridAxis vols{0.05, 0.05, grid_point_count(0.05, 0.5, 0.05)};
    const PricingRequest request = e.request();
    for (auto _ : state)
        benchmark::DoNotOptimize(stress_grid(request, prices, vols, 100 / 252.0).tv.data());
    state.counters["solves"] = vols.count;
}
BENCHMARK(BM_StressDefault)->Name("stress/default_10vols_7prices")->Unit(benchmark::kMillisecond);

// The panel's default volatility range 0..1 step 0.05: 21 values, capped at 20.
void BM_Scan20(benchmark::State& state)
{
    const Snowball_PDE e = defaultStructure();
    for (auto _ : state) {
        ScanResult r = univariate_scan(e.request(), Param::Sigma, 0, 1, 0.05, 100);
        benchmark::DoNotOptimize(r.best);
    }
}
BENCHMARK(BM_Scan20)->Name("scan/sigma_20_points")->Unit(benchmark::kMillisecond);

// A knock-out barrier scan: the schedule changes instead of a parameter.
void BM_ScanBarrier20(benchmark::State& state)
{
    const Snowball_PDE e = defaultStructure();
    for (auto _ : state) {
        ScanResult r = univariate_scan(e.request(), Param::KoBarrier, 95, 115, 1, 100);
        benchmark::DoNotOptimize(r.best);
    }
}
BENCHMARK(BM_ScanBarrier20)->Name("scan/ko_barrier_20_points")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    MedianReport reporter;
    reporter.run(argc, argv);
    reporter.check("stress/default_10vols_7prices", 100.0);
    reporter.check("scan/sigma_20_points", 50.0);
    reporter.check("scan/ko_barrier_20_points", 50.0);
    benchmark::Shutdown();
    return 0;
}
