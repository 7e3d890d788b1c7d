// Speed of the pricing engine on the window's default structure and on
// large grids, against the dense-inverse way of stepping, and of the Monte
// Carlo pricer. Prints Google Benchmark's table (medians of repetitions),
// then the ratios and the limits they are held to.
#include "ClassicSnowball.h"
#include "MedianReport.h"
#include "MonteCarlo.h"
#include "RandomStream.h"
#include "Snowball_PDE.h"

#include <cstdio>

namespace {

// The window's default: a one-year note observed monthly from month 3 to
// month 12 (lock 3).
Snowball_PDE default_structure(int M, int N)
{
    return classicSnowball(M, N, 3);
}

void price(benchmark::State& state)
{
    Snowball_PDE e = default_structure(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(e.price());
}

// The same price with a progress hook that never stops the run: what the
// window's cancellable runs pay for being cancellable.
void price_with_hook(benchmark::State& state)
{
    Snowball_PDE e = default_structure(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    long calls = 0;
    e.set_progress_hook([&calls](double) { return ++calls > 0; });
    for (auto _ : state)
        benchmark::DoNotOptimize(e.price());
    benchmark::DoNotOptimize(calls);
}

void price_dense_inverse(benchmark::State& state)
{
    Snowball_PDE e = default_structure(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            auto_call_finite_diff_implicit(e.contract, e.params, GridOutput::PriceOnly, StepMethod::DenseInverse).price);
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
        benchmark::DoNotOptimize(price_monte_carlo(stream, e.contract, e.params, 252, 50000));
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
BENCHMARK(price_with_hook)->Name("price_with_hook/M2000_N2430")->Args({2000, 2430})->Unit(benchmark::kMillisecond);
BENCHMARK(price)->Name("price/M1000_N1000")->Args({1000, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(price)->Name("price/M2000_N2430")->Args({2000, 2430})->Unit(benchmark::kMillisecond);
BENCHMARK(monte_carlo)->Name("price_monte_carlo/50000_paths_252_steps")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    MedianReport reporter;
    reporter.run(argc, argv);
    reporter.check("price/default_M200_N243", 1.5);
    reporter.check("calculate+create_Greeks/default_M200_N243", 6.0);
    reporter.check("price/M1000_N1000", 20.0);
    reporter.check("price/M2000_N2430", 150.0);
    reporter.check("price_monte_carlo/50000_paths_252_steps", 400.0);
    const auto fast = reporter.cpu_ms.find("price/default_M200_N243");
    const auto dense = reporter.cpu_ms.find("price_dense_inverse/default_M200_N243");
    if (fast != reporter.cpu_ms.end() && dense != reporter.cpu_ms.end())
        std::printf("dense inverse / factored, default structure: %.1fx (at least 50x)   %s\n",
                    dense->second / fast->second, dense->second >= 50.0 * fast->second ? "ok" : "UNDER");
    const auto plain = reporter.cpu_ms.find("price/M2000_N2430");
    const auto hooked = reporter.cpu_ms.find("price_with_hook/M2000_N2430");
    if (plain != reporter.cpu_ms.end() && hooked != reporter.cpu_ms.end())
        std::printf("progress hook / none, M2000 N2430: %.3fx (at most 1.05x)   %s\n", hooked->second / plain->second,
                    hooked->second <= 1.05 * plain->second ? "ok" : "OVER");
    benchmark::Shutdown();
    return 0;
}
