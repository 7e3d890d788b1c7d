#include "TridiagonalOperator.h"

#include <cmath>
#include <utility>

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

TridiagonalOperator::TridiagonalOperator(std::vector<double> lower, std::vector<double> diag,
                                         std::vector<double> upper)
    : a_(std::move(lower)), b_(std::move(diag)), c_(std::move(upper))
{
}

bool TridiagonalOperator::factor()
{
    const std::size_t L = size();
    inv_pivot_.assign(L, 0.0);
    lower_elim_.assign(L, 0.0);
    upper_elim_.assign(L, 0.0);
    double previous = 0.0;  // c'_{i-1}
    for (std::size_t i = 0; i < L; ++i) {
        const double pivot = b_[i] - (i > 0 ? a_[i] * previous : 0.0);
        if (pivot == 0.0 || !std::isfinite(pivot))
            return false;
        inv_pivot_[i] = 1.0 / pivot;
        lower_elim_[i] = a_[i] * inv_pivot_[i];
        upper_elim_[i] = c_[i] * inv_pivot_[i];
        previous = upper_elim_[i];
    }
    return L > 0;
}

// Forward: y_i = d_i m_i - (a_i m_i) y_{i-1}; backward: x_i = y_i - c'_i x_{i+1}.
// Each sweep carries one multiply-subtract from node to node, the shortest
// dependency chain Thomas elimination allows; the two grids interleave.
void TridiagonalOperator::solve_pair(const double* rhs1, const double* rhs2, double* x1, double* x2,
                                     double first_shift, double last_shift) const
{
    const std::size_t L = size();
    const double* __restrict m = inv_pivot_.data();
    const double* __restrict am = lower_elim_.data();
    const double* __restrict cp = upper_elim_.data();
    if (L == 1) {
        x1[0] = (rhs1[0] - first_shift - last_shift) * m[0];
        x2[0] = (rhs2[0] - first_shift - last_shift) * m[0];
        return;
    }
    double y1 = (rhs1[0] - first_shift) * m[0];
    double y2 = (rhs2[0] - first_shift) * m[0];
    x1[0] = y1;
    x2[0] = y2;
    for (std::size_t i = 1; i + 1 < L; ++i) {
        y1 = rhs1[i] * m[i] - am[i] * y1;
        y2 = rhs2[i] * m[i] - am[i] * y2;
        x1[i] = y1;
        x2[i] = y2;
    }
    const std::size_t last = L - 1;
    y1 = (rhs1[last] - last_shift) * m[last] - am[last] * y1;
    y2 = (rhs2[last] - last_shift) * m[last] - am[last] * y2;
    x1[last] = y1;
    x2[last] = y2;
    for (std::size_t i = last; i-- > 0;) {
        y1 = x1[i] - cp[i] * y1;
        y2 = x2[i] - cp[i] * y2;
        x1[i] = y1;
        x2[i] = y2;
    }
}

// U^T w = rhs: w_i = rhs_i - c'_{i-1} w_{i-1}; L^T x = w: x_i = (w_i - a_{i+1} x_{i+1}) m_i.
void TridiagonalOperator::solve_transposed_pair(const double* rhs1, const double* rhs2, double* x1,
                                                double* x2) const
{
    const std::size_t L = size();
    if (L == 0)
        return;
    const double* __restrict m = inv_pivot_.data();
    const double* __restrict cp = upper_elim_.data();
    const double* __restrict a = a_.data();
    double w1 = rhs1[0], w2 = rhs2[0];
    x1[0] = w1;
    x2[0] = w2;
    for (std::size_t i = 1; i < L; ++i) {
        w1 = rhs1[i] - cp[i - 1] * w1;
        w2 = rhs2[i] - cp[i - 1] * w2;
        x1[i] = w1;
        x2[i] = w2;
    }
    const std::size_t last = L - 1;
    double y1 = x1[last] * m[last], y2 = x2[last] * m[last];
    x1[last] = y1;
    x2[last] = y2;
    for (std::size_t i = last; i-- > 0;) {
        y1 = (x1[i] - a[i + 1] * y1) * m[i];
        y2 = (x2[i] - a[i + 1] * y2) * m[i];
        x1[i] = y1;
        x2[i] = y2;
    }
}
