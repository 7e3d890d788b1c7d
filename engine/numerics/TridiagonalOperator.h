#pragma once

#include <cstddef>
#include <vector>

// The implicit Black-Scholes operator on the interior nodes n = 1..M-1:
//   a_n V(n-1) + b_n V(n) + c_n V(n+1)
// with a_n = 0.5 dt (mu n - sigma2 n^2), b_n = 1 + dt (sigma2 n^2 + r),
// c_n = -0.5 dt (sigma2 n^2 + mu n). It does not change in time, so it is
// factored once (Thomas elimination, pivots inverted in advance) and every
// time step is then one O(M) forward and backward sweep.
class TridiagonalOperator
{
public:
    TridiagonalOperator(int M, double mu, double r, double sigma2, double dt);
    // Any tridiagonal system given by its bands (all of one length; lower[0]
    // and upper.back() are the couplings outside the system).
    TridiagonalOperator(std::vector<double> lower, std::vector<double> diag, std::vector<double> upper);

    std::size_t size() const { return b_.size(); }  // M-1
    double lower(std::size_t i) const { return a_[i]; }  // a of interior row i (node i+1)
    double diag(std::size_t i) const { return b_[i]; }
    double upper(std::size_t i) const { return c_[i]; }

    // Couplings of the first and last interior node to the boundary nodes 0 and M.
    double lower_coupling() const { return a_.front(); }
    double upper_coupling() const { return c_.back(); }

    // False when elimination meets a zero or non-finite pivot.
    bool factor();

    // Solves the system for two right-hand sides at once (the two value
    // grids share the operator): rhs1/rhs2 are read, x1/x2 written (size()
    // values each; in place is allowed). The first and last right-hand side
    // values are reduced by first_shift and last_shift on the way in, which
    // is where the boundary nodes enter.
    void solve_pair(const double* rhs1, const double* rhs2, double* x1, double* x2, double first_shift,
                    double last_shift) const;

    // Solves the transposed system A^T x = rhs for two right-hand sides with
    // the same factors (A = L U, so A^T = U^T L^T): the step of the forward
    // (probability) equation that is the exact adjoint of the backward one.
    // In place is allowed; factor() must have succeeded.
    void solve_transposed_pair(const double* rhs1, const double* rhs2, double* x1, double* x2) const;

private:
    std::vector<double> a_, b_, c_;
    std::vector<double> inv_pivot_;      // m_i = 1 / (b_i - a_i c'_{i-1})
    std::vector<double> lower_elim_;     // a_i m_i
    std::vector<double> upper_elim_;     // c'_i = c_i m_i
};
