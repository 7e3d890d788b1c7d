// The probability profile on the window's grid (and on a finer price grid
// with the same daily columns) against the reference Monte Carlo, for the
// structures of ProfileStructures.h. Prints one table per structure.
//   profile_agreement [paths=4000000] [seed=20240601]
#include "ProbabilityProfile.h"
#include "ProfileStructures.h"
#include "ReferenceMonteCarlo.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void row(const char* what, double grid, double fine, const McEstimate& mc)
{
    std::printf("  %-14s %9.5f %9.5f %9.5f %8.5f %+9.5f %+9.5f\n", what, grid, fine, mc.mean, mc.standard_error,
                grid - mc.mean, fine - mc.mean);
}

}  // namespace

int main(int argc, char** argv)
{
    ReferenceMcSettings settings;
    settings.paths = argc > 1 ? std::atoll(argv[1]) : 4000000;
    settings.seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20240601;
    for (const ProfileCase& c : profile_cases()) {
        PDEParams fine = c.model;
        fine.M = c.model.M * 10;
        auto start = std::chrono::steady_clock::now();
        const ProbabilityProfile p = probability_profile(c.contract, c.model);
        const double grid_ms = 1e3 * seconds_since(start);
        start = std::chrono::steady_clock::now();
        const ProbabilityProfile f = probability_profile(c.contract, fine);
        const double fine_ms = 1e3 * seconds_since(start);
        start = std::chrono::steady_clock::now();
        const ReferenceMcResult mc = reference_monte_carlo(c.contract, c.model, 243, settings);
        const double mc_s = seconds_since(start);
        if (!p.ok || !f.ok || !mc.ok) {
            std::printf("%s: refused (%s%s%s)\n", c.name.c_str(), p.error.c_str(), f.error.c_str(),
                        mc.error.c_str());
            continue;
        }
        std::printf("\n%s\n  grid M%d N%d: %.2f ms; fine M%d N%d: %.2f ms; MC %lld paths, %d threads: %.2f s, "
                    "price %.4f +- %.4f\n",
                    c.name.c_str(), c.model.M, c.model.N, grid_ms, fine.M, fine.N, fine_ms, mc.paths, mc.threads,
                    mc_s, mc.price, mc.standard_error);
        std::printf("  %-14s %9s %9s %9s %8s %9s %9s\n", "", "grid", "fine", "MC", "MC s.e.", "grid-MC", "fine-MC");
        double worst_grid = 0.0, worst_fine = 0.0;
        auto track = [&](double g, double fi, const McEstimate& m) {
            worst_grid = std::max(worst_grid, std::fabs(g - m.mean));
            worst_fine = std::max(worst_fine, std::fabs(fi - m.mean));
        };
        for (std::size_t k = 0; k < p.ko_probability.size(); ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "KO t=%.3f", c.contract.obs_times[k]);
            row(name, p.ko_probability[k], f.ko_probability[k], mc.ko_probability[k]);
            track(p.ko_probability[k], f.ko_probability[k], mc.ko_probability[k]);
        }
        row("maturity", p.maturity_probability, f.maturity_probability, mc.maturity_probability);
        row("knock-in", p.ki_probability, f.ki_probability, mc.ki_probability);
        row("loss", p.loss_probability, f.loss_probability, mc.loss_probability);
        row("life (years)", p.expected_life, f.expected_life, mc.expected_life);
        track(p.maturity_probability, f.maturity_probability, mc.maturity_probability);
        track(p.ki_probability, f.ki_probability, mc.ki_probability);
        track(p.loss_probability, f.loss_probability, mc.loss_probability);
        std::printf("  largest probability gap: grid %.5f, fine %.5f (goal 0.004)\n", worst_grid, worst_fine);
    }
    return 0;
}
