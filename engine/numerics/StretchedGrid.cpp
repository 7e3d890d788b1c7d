#include "StretchedGrid.h"

#include <algorithm>
#include <cmath>
#include <utility>

StretchedGrid::StretchedGrid(double top, double scale, std::vector<Centre> centres,
                             const std::vector<double>& anchors, int base_cells)
    : top_(top), scale_(scale), centres_(std::move(centres)), base_cells_(base_cells)
{
    if (!(top > 0.0) || !std::isfinite(top) || !(scale > 0.0) || base_cells < 2)
        return;
    total_ = 1.0;
    total_ = stretch(top_);
    anchor_u_ = {0.0};
    anchor_xi_ = {0.0};
    std::vector<double> sorted(anchors);
    std::sort(sorted.begin(), sorted.end());
    int last_index = 0;
    for (double a : sorted) {
        if (!(a > 0.0 && a < top_))
            continue;
        const double xi = stretch(a);
        const int index = static_cast<int>(std::lround(xi * base_cells_));
        if (index <= last_index || index >= base_cells_)
            continue;
        anchor_u_.push_back(static_cast<double>(index) / base_cells_);
        anchor_xi_.push_back(xi);
        anchored_.push_back(a);
        last_index = index;
    }
    anchor_u_.push_back(1.0);
    anchor_xi_.push_back(1.0);
}

// Integral of the node density s / (s + S) + sum_k w_k / sqrt(1 + ((S - c_k) / a_k)^2),
// closed-form through log and asinh, normalised to 1 at the top: uniform in
// log price far above the scale s, sinh-crowded at the centres.
double StretchedGrid::stretch(double S) const
{
    double v = scale_ * std::log1p(S / scale_);
    for (const Centre& c : centres_)
        v += c.weight * c.width * (std::asinh((S - c.price) / c.width) + std::asinh(c.price / c.width));
    return v / total_;
}

double StretchedGrid::stretch_inverse(double xi) const
{
    // The stretch is increasing with a positive derivative: Newton
    // from a bracket, falling back to bisection when a step leaves it.
    double lo = 0.0, hi = top_, S = xi * top_;
    for (int i = 0; i < 100; ++i) {
        const double f = stretch(S) - xi;
        if (f > 0.0)
            hi = S;
        else
            lo = S;
        double density = scale_ / (scale_ + S);
        for (const Centre& c : centres_) {
            const double z = (S - c.price) / c.width;
            density += c.weight / std::sqrt(1.0 + z * z);
        }
        double next = S - f * total_ / density;
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        if (std::fabs(next - S) <= 1e-13 * top_)
            return next;
        S = next;
    }
    // Newton can bounce between the ends of the bracket without shrinking it
    // (a steep crowding makes the stretch nearly a step): bisect what is left.
    while (hi - lo > 1e-13 * top_) {
        S = 0.5 * (lo + hi);
        (stretch(S) > xi ? hi : lo) = S;
    }
    return 0.5 * (lo + hi);
}

std::vector<double> StretchedGrid::nodes(int level) const
{
    const int n = cells(level);
    std::vector<double> S(static_cast<std::size_t>(n) + 1);
    std::size_t segment = 0;
    for (int i = 0; i <= n; ++i) {
        const double u = static_cast<double>(i) / n;
        while (segment + 2 < anchor_u_.size() && u > anchor_u_[segment + 1])
            ++segment;
        const double u0 = anchor_u_[segment], u1 = anchor_u_[segment + 1];
        const double xi = anchor_xi_[segment] + (u - u0) / (u1 - u0) * (anchor_xi_[segment + 1] - anchor_xi_[segment]);
        S[static_cast<std::size_t>(i)] = stretch_inverse(xi);
    }
    // Anchors exactly on their nodes (the inverse is accurate to rounding only).
    for (std::size_t a = 1; a + 1 < anchor_u_.size(); ++a)
        S[static_cast<std::size_t>(std::lround(anchor_u_[a] * n))] = anchored_[a - 1];
    S.front() = 0.0;
    S.back() = top_;
    return S;
}

std::vector<double> cell_weights(const std::vector<double>& nodes, double B, bool below)
{
    const std::size_t count = nodes.size();
    std::vector<double> w(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double lo = i > 0 ? 0.5 * (nodes[i - 1] + nodes[i]) : nodes[i];
        const double hi = i + 1 < count ? 0.5 * (nodes[i] + nodes[i + 1]) : nodes[i];
        double fraction_below;
        if (hi <= lo)
            fraction_below = nodes[i] <= B ? 1.0 : 0.0;
        else
            fraction_below = std::min(std::max((B - lo) / (hi - lo), 0.0), 1.0);
        w[i] = below ? fraction_below : 1.0 - fraction_below;
    }
    return w;
}
