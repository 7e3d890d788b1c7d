#include "LocalVolGrid.h"

#include <algorithm>
#include <cmath>
#include <set>

bool LocalVolGrid::sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                            std::string& error) const
{
    if (levels.empty() || times.empty() || vols.size() != times.size()) {
        error = "the local volatility grid is empty";
        return false;
    }
    const std::size_t j = std::min(
        static_cast<std::size_t>(std::lower_bound(times.begin(), times.end(), t) - times.begin()), times.size() - 1);
    const std::vector<double>& row = vols[j];
    sigma.resize(S.size());
    for (std::size_t n = 0; n < S.size(); ++n) {
        const double x = S[n];
        if (x <= levels.front()) {
            sigma[n] = row.front();
        } else if (x >= levels.back()) {
            sigma[n] = row.back();
        } else {
            const std::size_t i =
                static_cast<std::size_t>(std::upper_bound(levels.begin(), levels.end(), x) - levels.begin());
            const double f = (x - levels[i - 1]) / (levels[i] - levels[i - 1]);
            sigma[n] = row[i - 1] + f * (row[i] - row[i - 1]);
        }
    }
    return true;
}

bool export_local_vol_grid(const DupireLocalVol& lv, const std::vector<double>& expiries,
                           const GridExportOptions& options, LocalVolGrid& out, std::string& error)
{
    if (expiries.empty() || !(options.level_step > 0.0) || options.year_days < 1) {
        error = "nothing to export";
        return false;
    }
    const double day = 1.0 / options.year_days, last = expiries.back();
    std::set<double> ends(expiries.begin(), expiries.end());
    for (double t = day, step = day; t < last - 0.5 * day; t += step) {
        ends.insert(t);
        step = t < options.daily_until ? day : t < options.weekly_until ? 5.0 * day : 10.0 * day;
    }
    out.times.assign(ends.begin(), ends.end());

    // Levels spanning every row's band, the spot on a level.
    const double spot = lv.spot(), h = options.level_step * spot;
    double low = spot, high = spot;
    for (double t : out.times) {
        double a, b;
        lv.price_band(t, a, b);
        low = std::min(low, a);
        high = std::max(high, b);
    }
    const long below = static_cast<long>(std::ceil((spot - low) / h)), above = static_cast<long>(std::ceil((high - spot) / h));
    out.levels.clear();
    for (long i = -std::min(below, static_cast<long>((spot - 0.5 * h) / h)); i <= above; ++i)
        out.levels.push_back(spot + i * h);

    // Two-point Gauss-Legendre in time over each row's interval.
    const double g = 0.5 / std::sqrt(3.0);
    std::vector<double> s1, s2;
    out.vols.assign(out.times.size(), std::vector<double>());
    double start = 0.0;
    for (std::size_t j = 0; j < out.times.size(); ++j) {
        const double end = out.times[j], mid = 0.5 * (start + end), len = end - start;
        if (!lv.sigma_on(mid - g * len, out.levels, s1, error) || !lv.sigma_on(mid + g * len, out.levels, s2, error))
            return false;
        std::vector<double>& row = out.vols[j];
        const std::size_t k = out.levels.size();
        std::vector<double> mean(k);
        for (std::size_t i = 0; i < k; ++i)
            mean[i] = std::sqrt(0.5 * (s1[i] * s1[i] + s2[i] * s2[i]));
        // Linear interpolation of a convex sigma lies above it by h^2 sigma'' / 12
        // on average over a cell: taking that off the inner levels keeps the
        // grid's mean over each cell on the surface's (errors O(h^4) instead
        // of a bias of O(h^2) in every price).
        row = mean;
        for (std::size_t i = 1; i + 1 < k; ++i)
            row[i] -= (mean[i - 1] - 2.0 * mean[i] + mean[i + 1]) / 12.0;
        start = end;
    }
    return true;
}
