// The factored tridiagonal solve against the dense inverse of the operator:
// the same prices and grids to rounding.
#include "EngineTestSupport.h"

namespace {

// Largest difference relative to the largest value (Newmat throws on a shape mismatch).
double relative_difference(const NEWMAT::Matrix& a, const NEWMAT::Matrix& b)
{
    return NEWMAT::Matrix(a - b).MaximumAbsoluteValue() / b.MaximumAbsoluteValue();
}

// One run of the engine's terms and params, keeping the grids.
SolverResult solveWith(const Snowball_PDE& e, StepMethod method)
{
    return auto_call_finite_diff_implicit(e.contract, e.params, GridOutput::ValueGrids, method);
}

TEST(SolverAgreement, FactoredSolveMatchesTheDenseInverse)
{
    // M, N, sigma, r, q, payoff type, floor, participation (strike 100),
    // knock-in. Without knock-in the not-knocked-in grid keeps what its
    // lower boundary (-S0 in the option form) puts in through the coupling;
    // with it, knock-in overwrites the nodes near the bottom every step.
    const double setups[][9] = {
        {3, 1, 0.2, 0.05, 0.0, 0.0, 0.0, 0.0, 80},      {10, 10, 0.18, 0.015, 0.0, 0.0, 0.0, 0.0, 80},
        {57, 31, 0.35, 0.03, 0.02, 1.0, 0.0, 0.0, 80},  {200, 243, 0.18, 0.015, 0.0, 0.0, 80.0, 0.0, 80},
        {120, 60, 0.05, -0.01, 0.0, 0.0, 0.0, 0.7, 80}, {300, 100, 0.6, 0.1, 0.04, 1.0, 70.0, 1.2, 80},
        {100, 50, 0.5, 0.03, 0.0, 1.0, 0.0, 0.0, 0},
    };
    for (const auto& s : setups) {
        Snowball_PDE e = classicSnowball(int(s[0]), int(s[1]), 12);
        if (s[1] >= 4)
            e.contract.obs_times = {0.25, 0.5, 0.75, 1.0};
        setFlat(e, 103.0, 0.16, s[8]);
        e.params.sigma = s[2], e.params.r = s[3], e.params.q = s[4];
        e.contract.form = s[5] > 0.5 ? PayoffForm::Option : PayoffForm::Note;
        e.contract.floor_price = s[6], e.contract.call_participation = s[7], e.contract.call_strike = 100.0;
        ASSERT_TRUE(std::isfinite(e.price_with_grids())) << s[0];
        const SolverResult dense = solveWith(e, StepMethod::DenseInverse);
        EXPECT_LT(std::fabs(e.price() - dense.price) / std::fabs(dense.price), 1e-10) << s[0];
        EXPECT_LT(relative_difference(e.Price, dense.price_grid), 1e-10) << s[0];
        EXPECT_LT(relative_difference(e.Price_KI, dense.price_ki_grid), 1e-10) << s[0];
    }
}

TEST(SolverAgreement, FineGridsNeedNoDenseMatrix)
{
    // 200,000 price steps: the dense inverse alone would take 320 GB.
    Snowball_PDE e = classicSnowball(200000, 4, 12);
    EXPECT_TRUE(std::isfinite(e.price()));
    EXPECT_TRUE(std::isnan(solveWith(e, StepMethod::DenseInverse).price));
    NEWMAT::Matrix inverse;
    EXPECT_FALSE(implicit_operator_inverse(2, 0.01, 0.03, 0.04, 0.1, inverse));
    EXPECT_FALSE(implicit_operator_inverse(2000000000, 0.01, 0.03, 0.04, 0.1, inverse));
}

}  // namespace
