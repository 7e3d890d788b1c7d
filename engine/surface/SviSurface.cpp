#include "SviSurface.h"

#include <algorithm>
#include <utility>

SviSurface::SviSurface(std::vector<double> expiries, std::vector<SviSlice> slices)
    : expiries_(std::move(expiries)), slices_(std::move(slices))
{
}

TotalVariance SviSurface::at(double k, double t) const
{
    TotalVariance v;
    if (expiries_.empty())
        return v;
    const std::size_t n = expiries_.size();
    if (t <= expiries_.front()) {
        const double T1 = expiries_.front();
        const TotalVariance s = slices_.front().at(k);
        const double f = t / T1;
        v.w = f * s.w, v.w_k = f * s.w_k, v.w_kk = f * s.w_kk, v.w_t = s.w / T1;
        return v;
    }
    if (t > expiries_.back()) {
        const double Tn = expiries_.back();
        v = slices_.back().at(k);
        v.w_t = slices_.back().w(0.0) / Tn;
        v.w += (t - Tn) * v.w_t;
        return v;
    }
    // The interval (T_i, T_{i+1}] holding t.
    const std::size_t i = static_cast<std::size_t>(std::lower_bound(expiries_.begin(), expiries_.end(), t) -
                                                    expiries_.begin()) - 1;
    const double T0 = expiries_[i], T1 = expiries_[std::min(i + 1, n - 1)];
    const TotalVariance a = slices_[i].at(k), b = slices_[i + 1].at(k);
    const double f = (t - T0) / (T1 - T0);
    v.w = a.w + f * (b.w - a.w);
    v.w_k = a.w_k + f * (b.w_k - a.w_k);
    v.w_kk = a.w_kk + f * (b.w_kk - a.w_kk);
    v.w_t = (b.w - a.w) / (T1 - T0);
    return v;
}
