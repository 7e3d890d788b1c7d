#include "SnowballGrid.h"

#include "AppLogger.h"
#include "AutoCallSolver.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int clamp_to_int(double x, int lo, int hi)
{
    if (std::isnan(x))
        return lo;
    return static_cast<int>(std::min(std::max(x, static_cast<double>(lo)), static_cast<double>(hi)));
}

}  // namespace

int nearest_index(double x, int lo, int hi) { return clamp_to_int(std::round(x), lo, hi); }
int ceil_index(double x, int lo, int hi) { return clamp_to_int(std::ceil(x), lo, hi); }
int floor_index(double x, int lo, int hi) { return clamp_to_int(std::floor(x), lo, hi); }

void SnowballGrid::place_barriers(const SnowballContract& terms)
{
    // Indices beyond the grid on either side behave like the edge plus one:
    // no node reaches them.
    const int below = -1;
    const int above = M < INT_MAX ? M + 1 : M;
    const std::size_t count = terms.obs_times.size();
    ko_node.resize(count);
    ki_node.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        ko_node[k] = std::max(ceil_index(terms.ko_barrier[k] / dS, below, above), 1);
        ki_node[k] = floor_index(terms.ki_barrier[k] / dS, below, above);
    }
    strike_node = ceil_index(terms.call_strike / dS, below, above);
    floor_node = terms.has_floor() ? ceil_index(terms.floor_price / dS, below, above) : -1;
}

bool observation_columns(const std::vector<double>& obs_times, double dt, double T,
                         std::vector<int>& columns)
{
    columns.clear();
    for (double t : obs_times) {
        if (!(t >= 0.0 && t <= T)) {
            AppLogger::instance().log(AppLogger::Err, "observation:%.5f exceed.", t);
            return false;
        }
        const int column = nearest_index(t / dt, 0, INT_MAX);
        // The time loop settles one observation per column, from the last
        // backwards; a column that does not rise would leave an observation
        // silently unsettled.
        if (!columns.empty() && column <= columns.back()) {
            AppLogger::instance().log(AppLogger::Err,
                                      "observation:%.5f falls on time column %d, not after the "
                                      "column %d of the observation before it.",
                                      t, column, columns.back());
            return false;
        }
        columns.push_back(column);
    }
    return !columns.empty();
}
