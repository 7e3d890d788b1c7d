// Speed of the accurate pricer: a price (three solves of the backward
// equation and the extrapolation) and a price with Greeks (five such solves)
// on the window's default structure, the monthly note and the widest case
// (two years at 40% volatility). Prints the table of medians, then holds them
// to their limits.
#include "AccurateStructures.h"
#include "MedianReport.h"

namespace {

void price(benchmark::State& state, const AccurateCase& k)
{
    for (auto _ : state) {
        const AccurateSolution s = solve_accurate(k.contract, k.model, k.year_days);
        benchmark::DoNotOptimize(s.value(k.at(), k.knocked_in));
    }
}

void price_with_greeks(benchmark::State& state, const AccurateCase& k)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(greeks_accurate(k.contract, k.model, k.year_days, k.at(), k.knocked_in));
}

AccurateCase wide_case()
{
    for (const AccurateCase& k : accurateCases())
        if (k.name == "vol40_2y")
            return k;
    return defaultCase();
}

}  // namespace

BENCHMARK_CAPTURE(price, default_lock3, defaultCase())->Name("accurate_price/default_lock3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(price, note_12_monthly, monthlyNoteCase())
    ->Name("accurate_price/note_12_monthly")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(price, vol40_2y, wide_case())->Name("accurate_price/vol40_2y")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(price_with_greeks, default_lock3, defaultCase())
    ->Name("accurate_greeks/default_lock3")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(price_with_greeks, note_12_monthly, monthlyNoteCase())
    ->Name("accurate_greeks/note_12_monthly")
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    MedianReport reporter;
    reporter.run(argc, argv);
    reporter.check("accurate_price/default_lock3", 20.0);
    reporter.check("accurate_price/note_12_monthly", 20.0);
    reporter.check("accurate_greeks/default_lock3", 60.0);
    reporter.check("accurate_greeks/note_12_monthly", 60.0);
    benchmark::Shutdown();
    return 0;
}
