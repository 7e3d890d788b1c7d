#include "LocalVolGridExport.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

MarketResult<LocalVolGrid> export_local_vol_grid(const DupireLocalVol& lv, const std::vector<double>& expiries,
                                                 const GridExportOptions& options)
{
    using Result = MarketResult<LocalVolGrid>;
    if (expiries.empty() || !(options.level_step > 0.0) || options.year_days < 1)
        return Result::refused("nothing to export");
    const double day = 1.0 / options.year_days, last = expiries.back();
    std::set<double> ends(expiries.begin(), expiries.end());
    for (double t = day, step = day; t < last - 0.5 * day; t += step) {
        ends.insert(t);
        step = t < options.daily_until ? day : t < options.weekly_until ? 5.0 * day : 10.0 * day;
    }
    const std::vector<double> times(ends.begin(), ends.end());

    // Levels spanning every row's band, the spot on a level.
    const double spot = lv.spot(), h = options.level_step * spot;
    double low = spot, high = spot;
    for (double t : times) {
        double a, b;
        lv.price_band(t, a, b);
        low = std::min(low, a);
        high = std::max(high, b);
    }
    const long below = static_cast<long>(std::ceil((spot - low) / h)), above = static_cast<long>(std::ceil((high - spot) / h));
    std::vector<double> levels;
    for (long i = -std::min(below, static_cast<long>((spot - 0.5 * h) / h)); i <= above; ++i)
        levels.push_back(spot + i * h);

    // Two-point Gauss-Legendre in time over each row's interval.
    const double g = 0.5 / std::sqrt(3.0);
    std::vector<double> s1, s2;
    std::vector<std::vector<double>> rows(times.size());
    std::string error;
    double start = 0.0;
    for (std::size_t j = 0; j < times.size(); ++j) {
        const double end = times[j], mid = 0.5 * (start + end), len = end - start;
        if (!lv.sigma_on(mid - g * len, levels, s1, error) || !lv.sigma_on(mid + g * len, levels, s2, error))
            return Result::refused(error);
        std::vector<double>& row = rows[j];
        const std::size_t k = levels.size();
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
    return LocalVolGrid::from_rows(levels, times, rows);
}
