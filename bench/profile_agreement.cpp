// The probability profile in both modes against the reference Monte Carlo,
// for the structures of ProfileStructures.h: accurate mode (with its error
// estimate), the design grid (the window's M x N) and a finer design grid
// (ten times the price nodes, the same daily columns). One table per
// structure.
//   profile_agreement [paths=4000000] [seed=20240601]
#include "AccurateProbabilityProfile.h"
#include "ProbabilityProfile.h"
#include "ProfileStructures.h"
#include "ReferenceMonteCarlo.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const int kYearDays = 243;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Gaps
{
    double accurate = 0.0, grid = 0.0, fine = 0.0;
};

void row(const char* what, double accurate, double error, double grid, double fine, const McEstimate& mc, Gaps* gaps)
{
    std::printf("  %-14s %9.5f %8.5f %9.5f %9.5f %9.5f %8.5f %+9.5f %+9.5f %+9.5f\n", what, accurate, error, grid, fine,
                mc.mean, mc.standard_error, accurate - mc.mean, grid - mc.mean, fine - mc.mean);
    if (gaps) {
        gaps->accurate = std::max(gaps->accurate, std::fabs(accurate - mc.mean));
        gaps->grid = std::max(gaps->grid, std::fabs(grid - mc.mean));
        gaps->fine = std::max(gaps->fine, std::fabs(fine - mc.mean));
    }
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
        const ProbabilityProfile a = probability_profile_accurate(c.contract, c.model, kYearDays);
        const double accurate_ms = 1e3 * seconds_since(start);
        start = std::chrono::steady_clock::now();
        const ProbabilityProfile p = probability_profile(c.contract, c.model);
        const double grid_ms = 1e3 * seconds_since(start);
        start = std::chrono::steady_clock::now();
        const ProbabilityProfile f = probability_profile(c.contract, fine);
        const double fine_ms = 1e3 * seconds_since(start);
        start = std::chrono::steady_clock::now();
        const ReferenceMcResult mc = reference_monte_carlo(c.contract, c.model, kYearDays, settings);
        const double mc_s = seconds_since(start);
        if (!a.ok() || !p.ok() || !f.ok() || !mc.ok()) {
            std::printf("%s: refused (%s%s%s%s)\n", c.name.c_str(), a.error.c_str(), p.error.c_str(),
                        f.error.c_str(), mc.error.c_str());
            continue;
        }
        std::printf("\n%s\n  accurate: %.2f ms; grid M%d N%d: %.2f ms; fine M%d N%d: %.2f ms; MC %lld paths, %d "
                    "threads: %.2f s, price %.4f +- %.4f\n",
                    c.name.c_str(), accurate_ms, c.model.M, c.model.N, grid_ms, fine.M, fine.N, fine_ms, mc.paths,
                    mc.threads, mc_s, mc.price, mc.standard_error);
        std::printf("  %-14s %9s %8s %9s %9s %9s %8s %9s %9s %9s\n", "", "accurate", "estimate", "grid", "fine", "MC",
                    "MC s.e.", "acc-MC", "grid-MC", "fine-MC");
        Gaps gaps;
        for (std::size_t k = 0; k < p.ko_probability.size(); ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "KO t=%.3f", c.contract.obs_times[k]);
            row(name, a.ko_probability[k], a.ko_error[k], p.ko_probability[k], f.ko_probability[k],
                mc.ko_probability[k], &gaps);
        }
        row("maturity", a.maturity_probability, a.maturity_error, p.maturity_probability, f.maturity_probability,
            mc.maturity_probability, &gaps);
        row("knock-in", a.ki_probability, a.ki_error, p.ki_probability, f.ki_probability, mc.ki_probability, &gaps);
        row("loss", a.loss_probability, a.loss_error, p.loss_probability, f.loss_probability, mc.loss_probability,
            &gaps);
        row("life (years)", a.expected_life, a.life_error, p.expected_life, f.expected_life, mc.expected_life,
            nullptr);
        std::printf("  largest probability gap: accurate %.5f, grid %.5f, fine %.5f (goal 0.004)\n", gaps.accurate,
                    gaps.grid, gaps.fine);
    }
    return 0;
}
