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

    std::size_t size() const { return b_.size(); }  // M-1
    double lower(std::size_t i) const { return a_[i]; }  // a of interior row i (node i+1)
    double diag(std::size_t i) const { return b_[i]; }
    double upper(std::size_t i) const { return c_[i]; }

    // Couplings of the first and last interior node to the boundary nodes 0 and M.
    double lower_coupling() const { return a_.front(); }
    double upper_coupling() const { return c_.back(); }

    // False when elimination meets a zero or non-finite pivot.
    bool factor();

    // Solves the system in place for two right-hand sides at once (the two
    // value grids share the operator); x1 and x2 hold size() values each.
    void solve_pair(double* x1, double* x2) const;
    void solve(double* x) const;

private:
    std::vector<double> a_, b_, c_;
    std::vector<double> inv_pivot_;   // 1 / (b_i - a_i c'_{i-1})
    std::vector<double> upper_elim_;  // c'_i = c_i / pivot_i
};
