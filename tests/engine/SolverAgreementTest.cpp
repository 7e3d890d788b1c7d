// The factored tridiagonal solve against the dense inverse of the operator:
// the same prices and grids to rounding.
#include "EngineFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

double max_relative_difference(const NEWMAT::Matrix& a, const NEWMAT::Matrix& b)
{
    double worst = 0.0;
    for (int r = 1; r <= a.Nrows(); ++r)
        for (int c = 1; c <= a.Ncols(); ++c)
            worst = std::max(worst, std::fabs(a(r, c) - b(r, c)) / std::max(1.0, std::fabs(b(r, c))));
    return worst;
}

struct SolvedGrids
{
    double price;
    NEWMAT::Matrix grid, grid_ki;
};

SolvedGrids solve_grids(const Terms& t, StepMethod method)
{
    SolvedGrids out;
    PDEParams p = t.params;
    p.out_price = &out.grid;
    p.out_price_ki = &out.grid_ki;
    out.price = t.run(p, method);
    return out;
}

TEST(SolverAgreement, FactoredSolveMatchesTheDenseInverse)
{
    struct Setup
    {
        int M, N;
        double sigma, r, q;
        double payoff_type, floor, participation;
    };
    const Setup setups[] = {
        {3, 1, 0.2, 0.05, 0.0, 0.0, 0.0, 0.0},        {10, 10, 0.18, 0.015, 0.0, 0.0, 0.0, 0.0},
        {57, 31, 0.35, 0.03, 0.02, 1.0, 0.0, 0.0},    {200, 243, 0.18, 0.015, 0.0, 0.0, 80.0, 0.0},
        {120, 60, 0.05, -0.01, 0.0, 0.0, 0.0, 0.7},  {300, 100, 0.6, 0.1, 0.04, 1.0, 70.0, 1.2},
    };
    for (const Setup& s : setups) {
        Terms t = Terms::single(103.0, 0.16, 80.0);
        t.obs = {0.25, 0.5, 0.75, 1.0};
        t.resize_schedule(4, 103.0, 0.16, 80.0);
        t.params.M = s.M;
        t.params.N = s.N;
        t.params.sigma = s.sigma;
        t.params.r = s.r;
        t.params.q = s.q;
        t.payoff_type = s.payoff_type;
        t.floor = s.floor;
        t.participation = s.participation;
        t.strike = 100.0;
        if (s.N < 4) {
            t.obs = {1.0};
            t.resize_schedule(1, 103.0, 0.16, 80.0);
        }
        const SolvedGrids factored = solve_grids(t, StepMethod::Factored);
        const SolvedGrids dense = solve_grids(t, StepMethod::DenseInverse);
        ASSERT_TRUE(std::isfinite(factored.price)) << s.M;
        EXPECT_LT(std::fabs(factored.price - dense.price) / std::fabs(dense.price), 1e-10) << s.M;
        EXPECT_LT(max_relative_difference(factored.grid, dense.grid), 1e-10) << s.M;
        EXPECT_LT(max_relative_difference(factored.grid_ki, dense.grid_ki), 1e-10) << s.M;
    }
}

TEST(SolverAgreement, FineGridsNeedNoDenseMatrix)
{
    // 200,000 price steps: the dense inverse alone would take 320 GB.
    Terms t = Terms::single(103.0, 0.16, 80.0);
    t.params.M = 200000;
    t.params.N = 4;
    EXPECT_TRUE(std::isfinite(t.run()));
    PDEParams p = t.params;
    EXPECT_TRUE(std::isnan(t.run(p, StepMethod::DenseInverse)));
}

TEST(SolverAgreement, DenseInverseInvertsTheOperator)
{
    // Rebuild the operator by its formulas and check inverse * operator = I.
    const int M = 12;
    const double mu = 0.01, r = 0.03, sigma2 = 0.04, dt = 0.1;
    NEWMAT::Matrix inverse;
    ASSERT_TRUE(implicit_operator_inverse(M, mu, r, sigma2, dt, inverse));
    ASSERT_EQ(inverse.Nrows(), M - 1);
    NEWMAT::Matrix A(M - 1, M - 1);
    A = 0.0;
    for (int n = 1; n <= M - 1; ++n) {
        if (n > 1)
            A(n, n - 1) = 0.5 * dt * (mu * n - sigma2 * n * n);
        A(n, n) = 1.0 + dt * (sigma2 * n * n + r);
        if (n < M - 1)
            A(n, n + 1) = -0.5 * dt * (sigma2 * n * n + mu * n);
    }
    const NEWMAT::Matrix product = inverse * A;
    for (int i = 1; i < M; ++i)
        for (int j = 1; j < M; ++j)
            EXPECT_NEAR(product(i, j), i == j ? 1.0 : 0.0, 1e-13);

    EXPECT_FALSE(implicit_operator_inverse(2, mu, r, sigma2, dt, inverse));
    EXPECT_FALSE(implicit_operator_inverse(2000000000, mu, r, sigma2, dt, inverse));
}

}  // namespace
