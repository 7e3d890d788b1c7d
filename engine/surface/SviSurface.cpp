#include "SviSurface.h"

#include <algorithm>
#include <utility>

SviSurface::SviSurface(std::vector<double> expiries, std::vector<SviSlice> slices)
    : expiries_(std::move(expiries)), slices_(std::move(slices))
{
}

namespace {

// A value with its first and second derivatives in k.
struct Jet
{
    double v = 0.0, k = 0.0, kk = 0.0;
};

Jet secant(const TotalVariance& a, const TotalVariance& b, double h)
{
    return {(b.w - a.w) / h, (b.w_k - a.w_k) / h, (b.w_kk - a.w_kk) / h};
}

// Fritsch-Butland slope 2ab / (a + b) of two non-negative secants (0 when
// either is 0, where the curve must stay flat), with its k-derivatives.
Jet harmonic(const Jet& a, const Jet& b)
{
    Jet m;
    if (!(a.v > 0.0 && b.v > 0.0))
        return m;
    const double s = a.v + b.v, s2 = s * s, s3 = s2 * s;
    const double ma = 2.0 * b.v * b.v / s2, mb = 2.0 * a.v * a.v / s2;
    const double maa = -4.0 * b.v * b.v / s3, mbb = -4.0 * a.v * a.v / s3, mab = 4.0 * a.v * b.v / s3;
    m.v = 2.0 * a.v * b.v / s;
    m.k = ma * a.k + mb * b.k;
    m.kk = maa * a.k * a.k + 2.0 * mab * a.k * b.k + mbb * b.k * b.k + ma * a.kk + mb * b.kk;
    return m;
}

}  // namespace

TotalVariance SviSurface::node(std::size_t j, double k) const
{
    return j == 0 ? TotalVariance() : slices_[j - 1].at(k);
}

TotalVariance SviSurface::at(double k, double t) const
{
    TotalVariance v;
    if (expiries_.empty())
        return v;
    const std::size_t n = expiries_.size();
    const double Tn = expiries_.back();
    const double rate = slices_.back().w(0.0) / Tn;  // beyond the last expiry
    if (t > Tn) {
        v = slices_.back().at(k);
        v.w_t = rate;
        v.w += (t - Tn) * v.w_t;
        return v;
    }
    // The piece (node j, node j + 1] holding t; node 0 is t = 0.
    const std::size_t j = static_cast<std::size_t>(std::lower_bound(expiries_.begin(), expiries_.end(), t) -
                                                    expiries_.begin());
    const double t0 = node_time(j), t1 = node_time(j + 1), h = t1 - t0;
    const TotalVariance a = node(j, k), b = node(j + 1, k);
    const Jet d = secant(a, b, h);
    const Jet before = j == 0 ? d : secant(node(j - 1, k), a, t0 - node_time(j - 1));
    const Jet after = j + 1 == n ? Jet{rate, 0.0, 0.0} : secant(b, node(j + 2, k), node_time(j + 2) - t1);
    const Jet m0 = j == 0 ? d : harmonic(before, d), m1 = harmonic(d, after);
    const double s = (t - t0) / h, s2 = s * s, s3 = s2 * s;
    const double h00 = 2.0 * s3 - 3.0 * s2 + 1.0, h10 = s3 - 2.0 * s2 + s, h01 = -2.0 * s3 + 3.0 * s2,
                 h11 = s3 - s2;
    v.w = h00 * a.w + h * h10 * m0.v + h01 * b.w + h * h11 * m1.v;
    v.w_k = h00 * a.w_k + h * h10 * m0.k + h01 * b.w_k + h * h11 * m1.k;
    v.w_kk = h00 * a.w_kk + h * h10 * m0.kk + h01 * b.w_kk + h * h11 * m1.kk;
    const double d00 = 6.0 * s2 - 6.0 * s, d10 = 3.0 * s2 - 4.0 * s + 1.0, d11 = 3.0 * s2 - 2.0 * s;
    v.w_t = d00 * (a.w - b.w) / h + d10 * m0.v + d11 * m1.v;
    return v;
}
