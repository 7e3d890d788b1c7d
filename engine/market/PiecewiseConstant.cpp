#include "PiecewiseConstant.h"

#include <algorithm>
#include <utility>

std::size_t piece_index(const std::vector<double>& ends, double t)
{
    const std::size_t i = static_cast<std::size_t>(std::lower_bound(ends.begin(), ends.end(), t) - ends.begin());
    return std::min(i, ends.size() - 1);
}

PiecewiseConstant::PiecewiseConstant(std::vector<double> ends, std::vector<double> values)
    : ends_(std::move(ends)), values_(std::move(values))
{
}

bool PiecewiseConstant::constant() const
{
    return std::all_of(values_.begin(), values_.end(), [&](double v) { return v == values_.front(); });
}

std::size_t PiecewiseConstant::piece(double t) const { return piece_index(ends_, t); }

double PiecewiseConstant::integral(double a, double b) const
{
    std::size_t i = piece(a);
    // a sits at the end of its piece: the integral starts in the next one.
    if (i + 1 < ends_.size() && a >= ends_[i])
        ++i;
    double sum = 0.0, from = a;
    for (; i + 1 < ends_.size() && ends_[i] < b; ++i) {
        sum += values_[i] * (ends_[i] - from);
        from = ends_[i];
    }
    return sum + values_[i] * (b - from);
}
