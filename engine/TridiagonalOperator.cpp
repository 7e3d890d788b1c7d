#include "TridiagonalOperator.h"

#include <cmath>

TridiagonalOperator::TridiagonalOperator(int M, double mu, double r, double sigma2, double dt)
{
    const std::size_t L = M > 1 ? static_cast<std::size_t>(M - 1) : 0;
    a_.resize(L);
    b_.resize(L);
    c_.resize(L);
    for (std::size_t i = 0; i < L; ++i) {
        const double n = static_cast<double>(i + 1);
        a_[i] = 0.5 * dt * (mu * n - sigma2 * n * n);
        b_[i] = 1.0 + dt * (sigma2 * n * n + r);
        c_[i] = -0.5 * dt * (sigma2 * n * n + mu * n);
    }
}

bool TridiagonalOperator::factor()
{
    const std::size_t L = size();
    inv_pivot_.assign(L, 0.0);
    upper_elim_.assign(L, 0.0);
    double previous = 0.0;  // c'_{i-1}
    for (std::size_t i = 0; i < L; ++i) {
        const double pivot = b_[i] - (i > 0 ? a_[i] * previous : 0.0);
        if (pivot == 0.0 || !std::isfinite(pivot))
            return false;
        inv_pivot_[i] = 1.0 / pivot;
        upper_elim_[i] = c_[i] * inv_pivot_[i];
        previous = upper_elim_[i];
    }
    return L > 0;
}

void TridiagonalOperator::solve_pair(double* x1, double* x2) const
{
    const std::size_t L = size();
    const double* a = a_.data();
    const double* m = inv_pivot_.data();
    const double* cp = upper_elim_.data();
    x1[0] *= m[0];
    x2[0] *= m[0];
    for (std::size_t i = 1; i < L; ++i) {
        x1[i] = (x1[i] - a[i] * x1[i - 1]) * m[i];
        x2[i] = (x2[i] - a[i] * x2[i - 1]) * m[i];
    }
    for (std::size_t i = L - 1; i-- > 0;) {
        x1[i] -= cp[i] * x1[i + 1];
        x2[i] -= cp[i] * x2[i + 1];
    }
}

void TridiagonalOperator::solve(double* x) const
{
    const std::size_t L = size();
    const double* a = a_.data();
    const double* m = inv_pivot_.data();
    const double* cp = upper_elim_.data();
    x[0] *= m[0];
    for (std::size_t i = 1; i < L; ++i)
        x[i] = (x[i] - a[i] * x[i - 1]) * m[i];
    for (std::size_t i = L - 1; i-- > 0;)
        x[i] -= cp[i] * x[i + 1];
}
