#include "LocalVolSteps.h"

#include <algorithm>
#include <cmath>

LocalVolSteps::LocalVolSteps(const MarketModel& market, double T, const std::vector<double>& event_times,
                             int year_days, int coarse_per_day, int levels)
    : breaks_(market.time_breaks(T)), piecewise_(market.coefficients_piecewise_constant())
{
    // Cells over the prices the paths can reach: a grid's own levels, else
    // 8 volatility levels around the spot.
    const double S0 = market.spot();
    const LocalVolGrid* grid = market.local_grid();
    double lo, hi;
    if (grid && grid->levels().size() > 1) {
        lo = grid->levels().front();
        hi = grid->levels().back();
    } else {
        const double spread = 8.0 * market.volatility_level(T, 0.5 * S0, 2.0 * S0) * std::sqrt(T) + 0.1;
        lo = S0 * std::exp(-spread), hi = S0 * std::exp(spread);
    }
    x0_ = std::log(lo);
    inverse_cell_ = kCells / (std::log(hi) - x0_);
    S_nodes_.resize(kCells + 1);
    for (int i = 0; i <= kCells; ++i)
        S_nodes_[i] = std::exp(x0_ + i / inverse_cell_);
    piece_table_.assign(breaks_.size() + 1, -1);

    steps_.resize(static_cast<std::size_t>(levels));
    first_.resize(static_cast<std::size_t>(levels));
    std::vector<std::vector<std::size_t>> table_of(static_cast<std::size_t>(levels));
    for (int l = 0; l < levels; ++l) {
        first_[l].push_back(0);
        for (std::size_t i = 1; i < event_times.size(); ++i) {
            const double a = event_times[i - 1], b = event_times[i], length = std::max(b - a, 0.0);
            long n = length > 0.0 ? std::max(1L, static_cast<long>(std::ceil(length * year_days - 1e-6))) : 0;
            n *= static_cast<long>(coarse_per_day) << l;
            for (long k = 0; k < n; ++k) {
                const double from = a + length * k / n, to = k + 1 == n ? b : a + length * (k + 1) / n;
                const double drift = market.rates().integral(from, to) - market.dividends().integral(from, to);
                steps_[l].push_back({drift, 0.5 * (to - from), std::sqrt(to - from), nullptr});
                table_of[l].push_back(table_index(market, 0.5 * (from + to)));
            }
            first_[l].push_back(steps_[l].size());
        }
        steps_[l].push_back({0.0, 0.0, 0.0, nullptr});  // end() stays inside the vector
    }
    // Every table is built: point the steps at them.
    for (int l = 0; l < levels; ++l)
        for (std::size_t k = 0; k < table_of[l].size(); ++k)
            steps_[l][k].table = tables_[table_of[l][k]].data();
}

std::size_t LocalVolSteps::table_index(const MarketModel& market, double t)
{
    long* cached = nullptr;
    if (piecewise_) {
        const std::size_t j =
            static_cast<std::size_t>(std::lower_bound(breaks_.begin(), breaks_.end(), t) - breaks_.begin());
        cached = &piece_table_[j];
        if (*cached >= 0)
            return static_cast<std::size_t>(*cached);
    }
    std::vector<double> sigma;
    market.local_volatility().sigma_or_throw(t, S_nodes_, sigma);
    tables_.emplace_back(2 * kCells);
    for (int i = 0; i < kCells; ++i)
        tables_.back()[2 * i] = sigma[i], tables_.back()[2 * i + 1] = sigma[i + 1] - sigma[i];
    if (cached)
        *cached = static_cast<long>(tables_.size() - 1);
    return tables_.size() - 1;
}
