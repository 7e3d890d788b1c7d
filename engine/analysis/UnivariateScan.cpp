#include "UnivariateScan.h"

#include "Pricer.h"
#include "Refusal.h"
#include "RequestMarket.h"
#include "StressGrid.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

ScanResult univariate_scan(const PricingRequest& request, Param term, double start, double end, double step,
                           double target)
{
    ScanResult r;
    r.step = step;
    int n = grid_point_count(start, end, step);
    if (n < 1) {
        r.refuse(Refusal{RefusalCode::EmptyAxis, "the scan's range has no point", 0, 0});
        return r;
    }
    if (n > kMaxGridPoints) {
        r.refuse(Refusal{RefusalCode::AxisTooLong,
                         "the scan asks for more than " + std::to_string(kMaxGridPoints) + " values", 0, 0});
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
        PricingRequest work = request;
        r.values.reserve(static_cast<size_t>(n));
        r.prices.reserve(static_cast<size_t>(n));
        double bestDistance = DBL_MAX;
        for (int i = 0; i < n; ++i) {
            const double x = start + i * r.step;
            r.values.push_back(x);
            set_term(work, term, x);
            work.progress = progress_part(request.progress, i / static_cast<double>(n), 1.0 / n);
            const Valuation v = price(work);
            if (std::isnan(v.value)) {
                if (v.outcome == Outcome::Cancelled)
                    r.cancel();
                else
                {
                    char at[64];
                    std::snprintf(at, sizeof at, "no price at value %g: ", x);
                    r.fail(at + v.error);
                }
                return r;
            }
            const double d = std::fabs(v.value - target);
            if (d < bestDistance) {   // strict: on a tie the earlier value stays
                bestDistance = d;
                r.best = i;
            }
            r.prices.push_back(v.value);
            r.error_estimates.push_back(v.error_estimate);
        }
    } catch (...) {
        r.fail("the matrix library or the memory gave out");
        return r;
    }
    if (r.best < 0)
        r.fail("no price is a finite number");
    else
        r.outcome = Outcome::Ok;
    return r;
}

double first_priced_value(const PricingRequest& request, Param term, double start, double end, double step)
{
    const int n = std::min(grid_point_count(start, end, step), kMaxGridPoints);
    try {
        PricingRequest work = request;
        for (int i = 0; i < n; ++i) {
            const double x = start + i * step;
            set_term(work, term, x);
            if (!pricing_refusal(work) && !(work.market && request_market(work).refusal))
                return x;
        }
    } catch (...) {
        // Out of memory copying the request: the range stays as asked.
    }
    return start;
}
