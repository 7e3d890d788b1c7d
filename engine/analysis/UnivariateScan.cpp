#include "UnivariateScan.h"

#include "Snowball_PDE.h"
#include "StressGrid.h"

#include <cfloat>
#include <cmath>

ScanResult univariate_scan(const Snowball_PDE& engine, Param index, double start, double end,
                           double step, double target)
{
    ScanResult r;
    r.step = step;
    if (!engine.initialised) {
        r.failure = ScanFailure::NotInitialised;
        return r;
    }
    int n = grid_point_count(start, end, step);
    if (n < 1) {
        r.failure = ScanFailure::NoPoints;
        return r;
    }
    if (n > kMaxGridPoints) {
        r.failure = ScanFailure::TooManyPoints;
        return r;
    }
    if (n > kScanMaxPoints) {
        // The end itself is then not scanned: the last value is end - step.
        n = kScanMaxPoints;
        r.step = (end - start) * 0.05;
        r.capped = true;
    }

    // A fault of the matrix library or the memory counts as a price that
    // could not be computed; nothing escapes to the caller's event loop.
    try {
        Snowball_PDE work(engine);  // price() stores no grids
        work.save_param(index);

        r.values.reserve(static_cast<size_t>(n));
        r.prices.reserve(static_cast<size_t>(n));
        double bestDistance = DBL_MAX;
        for (int i = 0; i < n; ++i) {
            const double x = start + i * r.step;
            r.values.push_back(x);
            work.set_param(index, x);
            const double p = work.price();
            if (std::isnan(p)) {
                r.failure = ScanFailure::PriceFailed;
                return r;
            }
            const double d = std::fabs(p - target);
            if (d < bestDistance) {   // strict: on a tie the earlier value stays
                bestDistance = d;
                r.best = i;
            }
            r.prices.push_back(p);
            r.error_estimates.push_back(work.error_estimate);
        }
    } catch (...) {
        r.failure = ScanFailure::PriceFailed;
        return r;
    }
    if (r.best < 0)
        r.failure = ScanFailure::NoNearest;
    return r;
}
