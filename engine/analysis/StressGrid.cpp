#include "StressGrid.h"

#include "Snowball_PDE.h"

#include <cfloat>
#include <cmath>
#include <limits>

int grid_point_count(double start, double end, double step)
{
    const double q = (end - start) / step + 1.0;
    // A zero or non-number step gives an infinite or NaN quotient, which the
    // conversion to int has always turned into "no points".
    if (!std::isfinite(q) || q < 1.0)
        return 0;
    if (q >= kMaxGridPoints + 1.0)
        return kMaxGridPoints + 1;
    return static_cast<int>(q);   // truncation toward zero, no tolerance
}

StressStatus run_stress_grid(const Snowball_PDE& engine, const GridAxis& prices,
                             const GridAxis& vols, double tau, StressResult& out)
{
    if (!engine.initialised)
        return StressStatus::NotInitialised;
    if (prices.count < 1 || vols.count < 1)
        return StressStatus::NoPoints;
    if (prices.count > kMaxGridPoints || vols.count > kMaxGridPoints)
        return StressStatus::TooManyPoints;

    // Nothing may escape to the window's event loop: a fault of the matrix
    // library or an allocation that fails ends as a status.
    try {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const std::vector<double> nanRow(static_cast<size_t>(prices.count), nan);
        out.tv.assign(static_cast<size_t>(vols.count), nanRow);
        out.delta = out.tv;
        out.gamma = out.tv;

        // Grids are stored in the copy: the caller's engine stays untouched.
        Snowball_PDE work(engine);
        if (work.mode == PricingMode::Accurate) {
            // One accurate solve per volatility at the remaining time, read
            // at every price (smooth in price between the nodes).
            for (int j = 0; j < vols.count; ++j) {
                work.set_param(Param::Sigma, vols.at(j));
                const AccurateSolution solution = work.accurate_solution(tau);
                if (!solution.ok())
                    continue;
                for (int i = 0; i < prices.count; ++i) {
                    const double s = prices.at(i);
                    const size_t row = static_cast<size_t>(j), column = static_cast<size_t>(i);
                    out.tv[row][column] = solution.value(s, false);
                    out.delta[row][column] = solution.delta(s, false);
                    out.gamma[row][column] = solution.gamma(s, false);
                }
            }
            return StressStatus::Ok;
        }
        for (int j = 0; j < vols.count; ++j) {
            work.set_param(Param::Sigma, vols.at(j));
            if (std::isnan(work.price_with_grids()))
                continue;   // the grids may still hold the previous volatility
            const bool greeks = work.create_grid_greeks();   // else stale: leave NaN
            std::vector<double>& tv = out.tv[static_cast<size_t>(j)];
            std::vector<double>& delta = out.delta[static_cast<size_t>(j)];
            std::vector<double>& gamma = out.gamma[static_cast<size_t>(j)];
            for (int i = 0; i < prices.count; ++i) {
                const double s = prices.at(i);
                tv[static_cast<size_t>(i)] = work.lookup_price(s, tau, false);
                if (greeks) {
                    delta[static_cast<size_t>(i)] = work.lookup_delta(s, tau, false);
                    gamma[static_cast<size_t>(i)] = work.lookup_gamma(s, tau, false);
                }
            }
        }
    } catch (...) {
        out = StressResult();
        return StressStatus::Failed;
    }
    return StressStatus::Ok;
}

StressBands StressBands::of(const StressMatrix& values, double centre)
{
    StressBands b;
    b.centre = centre;
    b.upperHigh = centre;
    b.upperLow = DBL_MAX;
    b.lowerHigh = -DBL_MAX;
    b.lowerLow = centre;
    for (const std::vector<double>& row : values) {
        for (double x : row) {
            if (x > centre) {
                if (x > b.upperHigh)
                    b.upperHigh = x;
                if (x < b.upperLow)
                    b.upperLow = x;
            } else if (x < centre) {
                if (x > b.lowerHigh)
                    b.lowerHigh = x;
                if (x < b.lowerLow)
                    b.lowerLow = x;
            }
        }
    }
    b.upStep = (b.upperHigh - b.upperLow) / 7.0;
    b.downStep = (b.lowerHigh - b.lowerLow) / 7.0;
    return b;
}

int StressBands::level(double x) const
{
    const double l = x > centre ? (x - upperLow) / upStep + 1.0 : (x - lowerHigh) / downStep - 1.0;
    // Compare before converting: a float-to-int conversion out of range is undefined.
    if (!(l > static_cast<double>(INT_MIN) - 1.0 && l < static_cast<double>(INT_MAX) + 1.0))
        return INT_MIN;
    return static_cast<int>(l);
}
