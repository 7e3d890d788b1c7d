// The accurate pricer against the reference Monte Carlo on the structures it
// is held to (a report, not a benchmark): price with its error estimate, the
// Monte Carlo price with its standard error, and whether they agree within
// three standard errors plus the estimate.
//   accurate_agreement [paths=10000000] [seed=20241207]
#include "AccurateStructures.h"
#include "ReferenceMonteCarlo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    ReferenceMcSettings settings;
    settings.paths = argc > 1 ? std::atoll(argv[1]) : 10000000;
    settings.seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20241207;
    std::printf("%-28s %11s %9s %11s %9s %9s\n", "structure", "accurate", "estimate", "reference MC", "s.e.",
                "diff");
    int disagree = 0;
    for (const AccurateCase& c : accurateCases()) {
        // The Monte Carlo starts at the notional's spot; cases valued elsewhere are the pricer's own.
        if (c.spot > 0.0 && c.spot != c.model.S0)
            continue;
        const AccurateSolution s = solve_accurate(c.contract, c.model, c.year_days);
        const double price = s.value(c.at(), c.knocked_in), estimate = s.error_estimate(c.at(), c.knocked_in);
        settings.knocked_in = c.knocked_in;
        const ReferenceMcResult mc = reference_monte_carlo(c.contract, c.model, c.year_days, settings);
        const double diff = price - mc.price;
        const bool agree = std::fabs(diff) <= 3.0 * mc.standard_error + estimate;
        disagree += !agree;
        std::printf("%-28s %11.5f %9.5f %11.5f %9.5f %+9.5f   %s\n", c.name.c_str(), price, estimate, mc.price,
                    mc.standard_error, diff, agree ? "ok" : "DIFFERS");
    }
    std::printf("%lld paths a structure, seed %llu: %d disagree\n", settings.paths,
                static_cast<unsigned long long>(settings.seed), disagree);
    return disagree == 0 ? 0 : 1;
}
