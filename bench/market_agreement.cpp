// The accurate pricer under curves and local volatility against converged
// references (a report, not a benchmark): for each structure of the accuracy
// goals and each market, the price and its error estimate, a finer solve
// (960 price cells and 8 steps a day on the coarse level, 4 and 4 times the
// market default) as the reference, and the reference Monte Carlo with its own
// check of its time steps. A row is ok when the price is within 0.002 of the
// reference, the estimate covers the difference and is at most 0.005, and
// the Monte Carlo agrees with the reference within 3 standard errors.
//   market_agreement [paths=8000000] [seed=20241207]   (paths 0: no Monte Carlo)
#include "AccuratePricer.h"
#include "MarketStructures.h"
#include "ReferenceMonteCarlo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    ReferenceMcSettings settings;
    settings.paths = argc > 1 ? std::atoll(argv[1]) : 8000000;
    settings.seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20241207;
    std::printf("%-18s %-9s %11s %8s %11s %9s %11s %8s %8s %8s  %s\n", "structure", "model", "accurate", "estimate",
                "reference", "diff", "MC", "s.e.", "MC diff", "MC bias", "");
    int failed = 0;
    for (const AccurateCase& k : marketCases()) {
        for (int local = 0; local < 2; ++local) {
            const MarketModel market = local ? localMarket(k.model.S0) : curvesMarket(k.model.S0, k.model.sigma);
            const double S = k.model.S0, T = k.model.T;
            const AccurateSolution s = solve_accurate(k.contract, market, T, k.year_days);
            const AccurateSolution ref = solve_accurate(k.contract, market, T, k.year_days, AccurateResolution{960, 8},
                                                        AccurateValuation());
            const double price = s.value(S, false), estimate = s.error_estimate(S, false);
            const double reference = ref.value(S, false), diff = price - reference;
            bool ok = std::fabs(diff) <= 0.002 && std::fabs(diff) <= estimate && estimate <= 0.005;
            double mc = NAN, se = NAN, bias = NAN;
            if (settings.paths > 0) {
                const ReferenceMcResult r = reference_monte_carlo(k.contract, market, T, k.year_days, settings);
                mc = r.price, se = r.standard_error, bias = r.time_check.time_bias.mean;
                ok = ok && std::fabs(mc - reference) <= 3.0 * se;
            }
            failed += !ok;
            std::printf("%-18s %-9s %11.5f %8.5f %11.5f %+9.5f %11.5f %8.5f %+8.5f %+8.5f  %s\n", k.name.c_str(),
                        local ? "local vol" : "curves", price, estimate, reference, diff, mc, se, mc - reference, bias,
                        ok ? "ok" : "OFF");
            std::fflush(stdout);
        }
    }
    std::printf("%lld paths a row, seed %llu: %d rows off\n", settings.paths,
                static_cast<unsigned long long>(settings.seed), failed);
    return failed == 0 ? 0 : 1;
}
