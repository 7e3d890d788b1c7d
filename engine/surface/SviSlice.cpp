#include "SviSlice.h"

#include <cmath>

double SviSlice::w(double k) const
{
    const double x = k - m;
    return a + b * (rho * x + std::sqrt(x * x + sigma * sigma));
}

TotalVariance SviSlice::at(double k) const
{
    const double x = k - m;
    const double root = std::sqrt(x * x + sigma * sigma);
    TotalVariance v;
    v.w = a + b * (rho * x + root);
    v.w_k = b * (rho + x / root);
    v.w_kk = b * sigma * sigma / (root * root * root);
    return v;
}

double SviSlice::min_variance() const { return a + b * sigma * std::sqrt(1.0 - rho * rho); }

bool SviSlice::admissible() const
{
    return std::isfinite(a) && std::isfinite(m) && b >= 0.0 && std::fabs(rho) < 1.0 && sigma > 0.0 &&
           std::isfinite(b) && std::isfinite(sigma) && min_variance() > 0.0 && b * (1.0 + std::fabs(rho)) <= 2.0;
}
