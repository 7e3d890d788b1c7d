#include "LocalVolatility.h"

#include <algorithm>
#include <cmath>
#include <utility>

double LocalVolatility::sigma_at(double S, double t) const
{
    std::vector<double> out;
    sigma(std::vector<double>{S}, t, out);
    return out.front();
}

double LocalVolatility::highest(double T, double lo, double hi) const
{
    std::vector<double> S(64);
    for (std::size_t i = 0; i < S.size(); ++i)
        S[i] = lo * std::pow(hi / lo, static_cast<double>(i) / (S.size() - 1));
    std::vector<double> times;
    double from = 0.0;
    for (double b : time_breaks()) {
        if (b >= T)
            break;
        times.push_back(0.5 * (from + b));
        from = b;
    }
    times.push_back(0.5 * (from + T));
    for (int k = 0; k <= 16; ++k)
        times.push_back(T * k / 16.0);
    double top = 0.0;
    std::vector<double> out;
    for (double t : times) {
        sigma(S, t, out);
        for (double s : out)
            top = std::max(top, s);
    }
    return top;
}

ShiftedLocalVolatility::ShiftedLocalVolatility(std::shared_ptr<const LocalVolatility> base, double shift)
    : base_(std::move(base)), shift_(shift)
{
}

void ShiftedLocalVolatility::sigma(const std::vector<double>& S, double t, std::vector<double>& out) const
{
    base_->sigma(S, t, out);
    for (double& s : out)
        s += shift_;
}
