#include "MonteCarlo.h"

#include "AppLogger.h"
#include "RandomStream.h"

#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool all_finite(const std::vector<double>& values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

// Observation steps trunc(n * t / T - 1); false for a schedule the walk
// could not settle (an observation before the first step or after the last,
// or two on one step).
bool observation_steps(const std::vector<double>& obs_times, long n, double T, std::vector<long>& steps)
{
    for (double t : obs_times) {
        const double step = std::trunc(n * t / T - 1.0);
        if (!(step >= 0.0 && step <= n - 1))
            return false;
        if (!steps.empty() && static_cast<long>(step) <= steps.back())
            return false;
        steps.push_back(static_cast<long>(step));
    }
    return !steps.empty();
}

}  // namespace

double price_monte_carlo(RandomStream& stream, const SnowballContract& contract, const PDEParams& model,
                         int steps_per_year, int paths)
{
    const double S0 = model.S0;
    const double r = model.r;
    const double sigma = model.sigma;
    const double T = model.T;
    const std::vector<double>& obs_times = contract.obs_times;
    const std::vector<double>& ko_barrier = contract.ko_barrier;
    const std::vector<double>& ko_coupon = contract.ko_coupon;
    const std::vector<double>& ki_barrier = contract.ki_barrier;
    const double floor = contract.floor_price;
    const double strike = contract.call_strike;
    const double participation = contract.call_participation;
    const std::size_t count = obs_times.size();
    if (!(S0 > 0.0) || !std::isfinite(S0) || !(sigma >= 0.0) || !std::isfinite(sigma) || !std::isfinite(r) ||
        !(T > 0.0) || !std::isfinite(T) || steps_per_year < 1 || paths < 1 || count == 0 ||
        ko_barrier.size() != count || ko_coupon.size() != count || ki_barrier.size() != count ||
        !all_finite(obs_times) || !all_finite(ko_barrier) || !all_finite(ko_coupon) || !all_finite(ki_barrier) ||
        !std::isfinite(floor) || !std::isfinite(strike) || !std::isfinite(participation))
        return kNaN;

    const double steps_total = std::trunc(steps_per_year * T);
    if (steps_total < 1.0 || steps_total > 1e12)
        return kNaN;  // no step to simulate, or more than any run could draw
    const long n = static_cast<long>(steps_total);
    const double dt = T / n;

    try {
        std::vector<long> obs_step;
        if (!observation_steps(obs_times, n, T, obs_step))
            return kNaN;
        const double drift = (r - sigma * sigma / 2.0) * dt;
        const double shock = sigma * std::sqrt(dt);
        const std::size_t last = count - 1;
        const double survival_payout = (1.0 + ko_coupon[last] * T) * 100.0 * std::exp(-r * T);

        double sum = 0.0;
        for (int path = 0; path < paths; ++path) {
            // The path is walked while it is drawn: price[i] = price[i-1] *
            // exp(z shock + drift), observed at step i. Once it has knocked
            // out, its remaining draws are only skipped.
            double s = S0;
            std::size_t k = 0;
            bool knocked_in = false;
            bool knocked_out = false;
            for (long i = 0; i < n; ++i) {
                if (i > 0)
                    s = s * std::exp(stream.normal() * shock + drift);
                if (i == obs_step[k]) {
                    // A path knocks out at the barrier only; above a positive
                    // strike it also earns the participation.
                    if (s >= ko_barrier[k]) {
                        double payout = 1.0 + ko_coupon[k] * i * dt;
                        if (strike > 0.0 && s > strike)
                            payout += (s - strike) * participation / S0;
                        sum += payout * 100.0 * std::exp(-r * i * dt);
                        knocked_out = true;
                        stream.skip_normals(n - 1 - i);
                        break;
                    }
                    if (k != last)
                        ++k;
                }
                // A knocked-in path keeps being observed for knock-out.
                if (s < ki_barrier[k])
                    knocked_in = true;
            }
            if (knocked_out)
                continue;
            if (knocked_in) {
                const double paid = (floor > 0.0 && floor > s) ? floor : s;
                sum += 100.0 * paid / S0 * std::exp(-r * T);
            } else {
                sum += survival_payout;
            }
        }
        return sum / paths;
    } catch (const std::bad_alloc&) {
        AppLogger::instance().log(AppLogger::Err, "price_monte_carlo refused: out of memory.");
        return kNaN;
    }
}

double price_monte_carlo(const SnowballContract& contract, const PDEParams& model, int steps_per_year, int paths)
{
    return price_monte_carlo(RandomStream::process(), contract, model, steps_per_year, paths);
}
