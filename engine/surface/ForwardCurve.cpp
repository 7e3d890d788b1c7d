#include "ForwardCurve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

ForwardCurve::ForwardCurve(Integral drift, Integral discount) : drift_(std::move(drift)), discount_(std::move(discount))
{
    if (!drift_ || !discount_)
        error_ = "the forward curve needs both integrals";
}

ForwardCurve ForwardCurve::flat(double r, double q)
{
    return ForwardCurve([=](double t) { return (r - q) * t; }, [=](double t) { return r * t; });
}

namespace {

// Linear through (0, 0) and the points, the last slope continuing.
double piecewise_linear(const std::vector<double>& t, const std::vector<double>& v, double x)
{
    const std::size_t i = static_cast<std::size_t>(std::upper_bound(t.begin(), t.end(), x) - t.begin());
    const double t0 = i == 0 ? 0.0 : t[i - 1], v0 = i == 0 ? 0.0 : v[i - 1];
    if (i < t.size())
        return v0 + (x - t0) * (v[i] - v0) / (t[i] - t0);
    const double tp = t.size() > 1 ? t[t.size() - 2] : 0.0, vp = t.size() > 1 ? v[t.size() - 2] : 0.0;
    return v.back() + (x - t.back()) * (v.back() - vp) / (t.back() - tp);
}

}  // namespace

ForwardCurve ForwardCurve::table(const std::vector<double>& t, const std::vector<double>& drift,
                                 const std::vector<double>& discount)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ForwardCurve bad([=](double) { return nan; }, [=](double) { return nan; });
    if (t.empty() || t.size() != drift.size() || t.size() != discount.size()) {
        bad.error_ = "the forward table needs one drift and one discount value per time";
        return bad;
    }
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!(std::isfinite(t[i]) && t[i] > (i == 0 ? 0.0 : t[i - 1])) || !std::isfinite(drift[i]) ||
            !std::isfinite(discount[i])) {
            bad.error_ = "the forward table's times must increase from above 0 and its values be numbers";
            return bad;
        }
    }
    auto times = std::make_shared<const std::vector<double>>(t);
    auto d = std::make_shared<const std::vector<double>>(drift);
    auto r = std::make_shared<const std::vector<double>>(discount);
    return ForwardCurve([=](double x) { return piecewise_linear(*times, *d, x); },
                        [=](double x) { return piecewise_linear(*times, *r, x); });
}

double ForwardCurve::forward(double spot, double t) const { return spot * std::exp(drift(t)); }

double ForwardCurve::discount_factor(double t) const { return std::exp(-discount(t)); }
