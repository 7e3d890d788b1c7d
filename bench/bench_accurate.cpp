// Speed of the accurate pricer: a price (three solves of the backward
// equation and the extrapolation) and a price with Greeks (five such solves)
// on the window's default structure, the monthly note and the widest case
// (two years at 40% volatility); and of the accurate probability profile
// (three forward passes), held to three times its structure's price; and the
// stress test in accurate mode on the panel's default grid (10 volatilities
// 5%..50% by 7 prices 70..130, one solve per volatility), held to ten prices. Prints
// the table of medians, then holds them to their limits.
#include "AccurateProbabilityProfile.h"
#include "AccurateStructures.h"
#include "MedianReport.h"
#include "Snowball_PDE.h"
#include "StressGrid.h"

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

void profile(benchmark::State& state, const AccurateCase& k)
{
    for (auto _ : state) {
        const ProbabilityProfile p =
            probability_profile_accurate(k.contract, k.model, k.year_days, k.knocked_in);
        benchmark::DoNotOptimize(p.expected_life);
    }
}

// The stress panel's default grid half a year before maturity.
void stress(benchmark::State& state, const AccurateCase& k)
{
    Snowball_PDE engine;
    engine.set_structure(k.contract, k.model);
    engine.method = PricingMethod::Accurate;
    engine.year_days = k.year_days;
    const GridAxis prices{70.0, 10.0, 7}, vols{0.05, 0.05, 10};
    const PricingRequest request = engine.request();
    for (auto _ : state)
        benchmark::DoNotOptimize(stress_grid(request, prices, vols, 0.5 * k.model.T).tv.data());
}

AccurateCase case_named(const char* name)
{
    for (const AccurateCase& k : accurateCases())
        if (k.name == name)
            return k;
    return defaultCase();
}

// The profile is valued at the model's spot: move it there.
AccurateCase spot_near_ki_case()
{
    AccurateCase k = case_named("spot_near_ki");
    k.model.S0 = k.at();
    k.spot = 0.0;
    return k;
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

BENCHMARK_CAPTURE(stress, default_lock3, defaultCase())
    ->Name("accurate_stress/default_lock3")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stress, note_12_monthly, monthlyNoteCase())
    ->Name("accurate_stress/note_12_monthly")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(price, stepdown_2y_floor, case_named("stepdown_2y_floor"))
    ->Name("accurate_price/stepdown_2y_floor")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(price, spot_near_ki, spot_near_ki_case())
    ->Name("accurate_price/spot_near_ki")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(profile, default_lock3, defaultCase())
    ->Name("accurate_profile/default_lock3")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(profile, stepdown_2y_floor, case_named("stepdown_2y_floor"))
    ->Name("accurate_profile/stepdown_2y_floor")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(profile, spot_near_ki, spot_near_ki_case())
    ->Name("accurate_profile/spot_near_ki")
    ->Unit(benchmark::kMillisecond);

namespace {

// The profile's median CPU time against three times its structure's price.
void check_against_price(const MedianReport& reporter, const std::string& structure)
{
    const auto profile = reporter.cpu_ms.find("accurate_profile/" + structure);
    const auto price = reporter.cpu_ms.find("accurate_price/" + structure);
    if (profile == reporter.cpu_ms.end() || price == reporter.cpu_ms.end())
        return;
    const double ratio = profile->second / price->second;
    std::printf("%-45s %9.2f x its price's cpu        limit     3.0 x   %s\n", ("accurate_profile/" + structure).c_str(),
                ratio, ratio <= 3.0 ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv)
{
    MedianReport reporter;
    reporter.run(argc, argv);
    reporter.check("accurate_price/default_lock3", 20.0);
    reporter.check("accurate_price/note_12_monthly", 20.0);
    reporter.check("accurate_greeks/default_lock3", 60.0);
    reporter.check("accurate_greeks/note_12_monthly", 60.0);
    reporter.check("accurate_stress/default_lock3", 200.0);
    reporter.check("accurate_stress/note_12_monthly", 200.0);
    for (const char* structure : {"default_lock3", "stepdown_2y_floor", "spot_near_ki"})
        check_against_price(reporter, structure);
    benchmark::Shutdown();
    return 0;
}
