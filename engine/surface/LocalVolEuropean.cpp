#include "LocalVolEuropean.h"

#include "AccurateScheme.h"
#include "StretchedGrid.h"
#include "TridiagonalOperator.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// Far-field top of the grid in standard deviations of log price, as the
// accurate pricer's.
const double kTopDeviations = 7.0;

// Average over node n's cell of the payoff (cells run half-way to the
// neighbours): kinks between nodes then cost second order, not first.
double cell_payoff(const std::vector<double>& S, std::size_t n, double K, bool call)
{
    const double lo = n > 0 ? 0.5 * (S[n - 1] + S[n]) : S[n];
    const double hi = n + 1 < S.size() ? 0.5 * (S[n] + S[n + 1]) : S[n];
    if (hi <= lo)
        return std::max(call ? S[n] - K : K - S[n], 0.0);
    if (call) {
        if (lo >= K)
            return 0.5 * (lo + hi) - K;
        return hi <= K ? 0.0 : 0.5 * (hi - K) * (hi - K) / (hi - lo);
    }
    if (hi <= K)
        return K - 0.5 * (lo + hi);
    return lo >= K ? 0.0 : 0.5 * (K - lo) * (K - lo) / (hi - lo);
}

std::string refusal(const ForwardCurve& forward, double spot, const std::vector<EuropeanOption>& options,
                    const LocalVolResolution& resolution)
{
    if (!(std::isfinite(spot) && spot > 0.0))
        return "spot must be a positive number";
    if (options.empty())
        return "no options to price";
    for (const EuropeanOption& o : options)
        if (!(std::isfinite(o.expiry) && o.expiry > 0.0 && std::isfinite(o.strike) && o.strike > 0.0))
            return "option expiries and strikes must be positive numbers";
    if (resolution.cells < 8 || resolution.cells > 100000 || !(resolution.steps_per_year >= 1.0) ||
        resolution.steps_per_year > 1e6 || resolution.min_steps < 1 || resolution.min_steps > 1000000)
        return "resolution out of range";
    return std::string();
}

// Step boundaries: 0, the expiries and the volatility's own breaks up to the
// last expiry. The steps between two expiries are of one length, no longer
// than max_step and at least min_steps to the interval (a short expiry's
// payoff has only its own interval to smooth out, and it costs little);
// the volatility's breaks then cut them into whole numbers of such steps.
struct TimeInterval
{
    double start, end;
    long steps;
    bool ends_at_expiry;
    double expiry;  // the expiry it ends at (a break within rounding of it ends there too)
};

std::vector<TimeInterval> time_intervals(const std::vector<double>& expiries, const std::vector<double>& breaks,
                                         double max_step, long min_steps)
{
    const double last = expiries.back();
    const double tiny = 1e-12 * last;
    std::vector<TimeInterval> out;
    double start = 0.0;
    for (double T : expiries) {
        const long n = std::max(min_steps, static_cast<long>(std::ceil((T - start) / max_step - 1e-9)));
        const double step = (T - start) / n;
        std::vector<double> cuts;
        for (double b : breaks)
            if (b > start + tiny && b < T - tiny)
                cuts.push_back(b);
        std::sort(cuts.begin(), cuts.end());
        cuts.push_back(T);
        double from = start;
        for (double cut : cuts) {
            if (cut - from <= tiny)
                continue;
            const long k = std::max(1L, static_cast<long>(std::ceil((cut - from) / step - 1e-6)));
            out.push_back({from, cut, k, cut == T, T});
            from = cut;
        }
        start = T;
    }
    return out;
}

EuropeanPrices solve(const LocalVolatility& sigma, const ForwardCurve& forward, double spot,
                     const std::vector<EuropeanOption>& options, const LocalVolResolution& resolution)
{
    EuropeanPrices out;
    std::vector<double> expiries;
    double highest_strike = spot;
    for (const EuropeanOption& o : options) {
        expiries.push_back(o.expiry);
        highest_strike = std::max(highest_strike, o.strike);
    }
    std::sort(expiries.begin(), expiries.end());
    expiries.erase(std::unique(expiries.begin(), expiries.end()), expiries.end());
    const double last = expiries.back(), first = expiries.front();


    // The grid's reach from the volatility near the forward at the last and
    // first expiries.
    std::vector<double> probe, vols;
    auto vol_at = [&](double t, double moneyness) {
        probe = {forward.forward(spot, t) * moneyness};
        return sigma.sigma_on(t, probe, vols, out.error) ? vols[0] : -1.0;
    };
    const double vol_top = std::max(vol_at(last, 1.0), vol_at(last, 2.0)), vol_first = vol_at(0.5 * first, 1.0);
    if (!out.ok())
        return out;
    const double top = std::max(forward.forward(spot, last) * std::exp(kTopDeviations * vol_top * std::sqrt(last)),
                                3.0 * highest_strike);
    // Crowded over the first expiry's few at-the-money deviations around the
    // spot, where the short options' payoffs bend.
    const double width = spot * std::max(0.02, 2.0 * vol_first * std::sqrt(first));
    const StretchedGrid grid(top, spot, {{spot, width, 4.0}}, {spot}, resolution.cells);
    if (grid.empty()) {
        out.error = "the price grid cannot be built";
        return out;
    }
    const std::vector<double> S = grid.nodes(0);
    const std::size_t M = S.size() - 1;  // node M: far-field boundary, value 0 for the densities
    out.nodes = S.size();

    // The density starts on the spot's node (an anchor: exactly the spot).
    std::vector<double> p(M, 0.0), scratch(M), variance(S.size());
    const std::size_t spot_node =
        static_cast<std::size_t>(std::lower_bound(S.begin(), S.end(), spot) - S.begin());
    if (spot_node >= M)
        throw std::runtime_error("the spot lies outside the price grid");
    p[spot_node] = 1.0;

    out.price.assign(options.size(), 0.0);
    std::vector<double> vol;
    auto step = [&](double t0, double t1, double theta) {
        const double dt = t1 - t0, mid = 0.5 * (t0 + t1);
        if (!sigma.sigma_on(mid, S, vol, out.error))
            return false;
        for (std::size_t n = 0; n < S.size(); ++n)
            variance[n] = vol[n] * vol[n];
        const double drift = (forward.drift(t1) - forward.drift(t0)) / dt;
        const double rate = (forward.discount(t1) - forward.discount(t0)) / dt;
        const PriceOperator op = accurate_price_operator(S, variance, drift, rate);
        TridiagonalOperator system = implicit_system(op, theta * dt);
        if (!system.factor())
            throw std::runtime_error("the price operator cannot be factored");
        // y = A^-T p, then p' = B^T y (column n of B: u of row n-1, d of row n, l of row n+1).
        system.solve_transposed_pair(p.data(), p.data(), p.data(), scratch.data());
        const double e = (1.0 - theta) * dt;
        if (e > 0.0) {
            double below = 0.0;
            for (std::size_t n = 0; n < M; ++n) {
                const double y = p[n], above = n + 1 < M ? p[n + 1] : 0.0;
                p[n] = y + e * (op.d[n] * y + (n + 1 < M ? op.l[n + 1] * above : 0.0) +
                                (n > 0 ? op.u[n - 1] * below : 0.0));
                below = y;
            }
        }
        ++out.time_steps;
        return true;
    };

    for (const TimeInterval& interval : time_intervals(expiries, sigma.time_breaks(), 1.0 / resolution.steps_per_year, resolution.min_steps)) {
        const double dt = (interval.end - interval.start) / interval.steps;
        // Forward, the Rannacher half steps that follow each payoff in the
        // backward scheme come last, just before the expiry.
        const long full = interval.ends_at_expiry ? interval.steps - 1 : interval.steps;
        double t = interval.start;
        for (long k = 0; k < full; ++k, t += dt)
            if (!step(t, k + 1 == interval.steps ? interval.end : t + dt, 0.5))
                return out;
        if (interval.ends_at_expiry) {
            const double half = 0.5 * (interval.end - t);
            if (!step(t, t + half, 1.0) || !step(t + half, interval.end, 1.0))
                return out;
            for (std::size_t o = 0; o < options.size(); ++o) {
                if (options[o].expiry != interval.expiry)
                    continue;
                double sum = 0.0;
                for (std::size_t n = 0; n < M; ++n)
                    sum += p[n] * cell_payoff(S, n, options[o].strike, options[o].call);
                out.price[o] = sum;
            }
        }
    }
    return out;
}

}  // namespace

EuropeanPrices price_europeans(const LocalVolatility& sigma, const ForwardCurve& forward, double spot,
                               const std::vector<EuropeanOption>& options, const LocalVolResolution& resolution)
{
    EuropeanPrices out;
    out.error = refusal(forward, spot, options, resolution);
    if (!out.ok())
        return out;
    out = accurate_guarded<EuropeanPrices>([&] { return solve(sigma, forward, spot, options, resolution); });
    if (!out.ok())
        out.price.clear();
    return out;
}
