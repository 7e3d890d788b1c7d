// Floor, participation and limiting cases compared with closed forms.
#include "DigitalNote.h"
#include "EngineTestSupport.h"

namespace {

double black_scholes_put(double S, double K, double sigma, double T, double r, double q)
{
    const double d1 = (std::log(S / K) + (r - q + 0.5 * sigma * sigma) * T) / (sigma * std::sqrt(T));
    const double d2 = d1 - sigma * std::sqrt(T);
    return K * std::exp(-r * T) * normal_cdf(-d2) - S * std::exp(-q * T) * normal_cdf(-d1);
}

TEST(PayoffLimits, FrozenUnderlyingPaysKnownAmounts)
{
    // With sigma = r = q = 0 the implicit operator is the identity: the
    // underlying stays at 100 and every price is a known payout. Out at the
    // first observation (3 months) pays 104; between the barriers the
    // dividend coupon 10%; knocked in the underlying or the floor.
    // ko, ki, floor, strike, participation, payoff type, price.
    const double cases[][7] = {
        {95, 80, 0, 0, 0, 0, 104},   {95, 80, 0, 0, 0, 1, 4},     {100, 80, 0, 0, 0, 0, 104},
        {150, 80, 0, 0, 0, 0, 110},  {150, 80, 0, 0, 0, 1, 10},   {150, 105, 0, 0, 0, 0, 100},
        {150, 105, 120, 0, 0, 0, 120}, {150, 105, 120, 0, 0, 1, 20},
        // Participation on knock-out above the strike node (a strike between
        // nodes rounds up), nothing at or below it, nothing without a ratio.
        {95, 80, 0, 90, 0.5, 0, 109}, {95, 80, 0, 89.5, 0.5, 0, 109}, {95, 80, 0, 100, 0.5, 0, 104},
        {95, 80, 0, 120, 0.5, 0, 104}, {95, 80, 0, 50, 0, 0, 104},
    };
    for (const auto& c : cases) {
        Snowball_PDE e = classicSnowball(200, 48, 3);
        e.params.sigma = e.params.r = 0.0;
        setFlat(e, c[0], 0.16, c[1]);
        e.contract.div_coupon = 0.10, e.contract.floor_price = c[2], e.contract.call_strike = c[3], e.contract.call_participation = c[4];
        e.contract.form = c[5] > 0.5 ? PayoffForm::Option : PayoffForm::Note;
        EXPECT_DOUBLE_EQ(e.price(), c[6]) << c[0] << " " << c[1] << " " << c[2] << " " << c[3] << " " << c[5];
    }
}

TEST(PayoffLimits, FloorAndParticipationOnTheGridAndAtItsEdges)
{
    Snowball_PDE e = classicSnowball(200, 24, 3);
    e.contract.floor_price = 80.0;
    e.contract.call_strike = 110.5;  // strike node 111; the top uses the strike itself
    e.contract.call_participation = 0.5;
    ASSERT_TRUE(std::isfinite(e.price_with_grids()));
    const int month6 = 13, maturity = 25;  // Newmat columns
    EXPECT_DOUBLE_EQ(e.Price(112, month6), 108.0);               // node 111: nothing yet
    EXPECT_DOUBLE_EQ(e.Price(151, month6), 108.0 + 39.0 * 0.5);  // node 150
    EXPECT_DOUBLE_EQ(e.Price(201, month6), 108.0 + 89.5 * 0.5);  // node 200, the top
    EXPECT_DOUBLE_EQ(e.Price_KI(151, maturity), 116.0 + 39.0 * 0.5);
    EXPECT_DOUBLE_EQ(e.Price_KI(201, maturity), 116.0 + 89.5 * 0.5);
    // The floor on every node at or below it, discounted along the bottom.
    // A floor between nodes is paid on the node above it too.
    for (auto floor_top : {std::pair<double, int>{80.5, 81}, {80.0, 80}}) {
        e.contract.floor_price = floor_top.first;
        ASSERT_TRUE(std::isfinite(e.price_with_grids()));
        for (int n = 0; n <= floor_top.second; ++n)
            EXPECT_TRUE(e.Price(n + 1, maturity) == floor_top.first && e.Price_KI(n + 1, maturity) == floor_top.first)
                << floor_top.first << " " << n;
        const int above = floor_top.second + 1;
        EXPECT_EQ(e.Price_KI(above + 1, maturity), above) << floor_top.first;
        EXPECT_DOUBLE_EQ(e.Price(above + 1, maturity), 116.0) << floor_top.first;  // the dividend coupon above the knock-in node
    }
    for (int j = 0; j < 24; ++j)
        EXPECT_DOUBLE_EQ(e.Price(1, j + 1), 80.0 * std::exp(-0.015 * (24 - j) / 24.0)) << j;
    e.contract.call_participation = 0.0;
    e.contract.form = PayoffForm::Option;
    ASSERT_TRUE(std::isfinite(e.price_with_grids()));
    EXPECT_DOUBLE_EQ(e.Price(201, month6), 8.0);  // without participation the top pays the coupon only
    EXPECT_DOUBLE_EQ(e.Price(201, maturity), 16.0);
    EXPECT_EQ(e.Price(81, maturity), -20.0);
    EXPECT_DOUBLE_EQ(e.Price(1, 1), 80.0 * std::exp(-0.015) - 100.0);
}

TEST(PayoffLimits, NeverOrAlwaysKnockedInAreClosedForms)
{
    // No node knocks in (ki 0) or out (barrier at the top, whose boundary
    // then pays what every other node pays).
    Snowball_PDE e = classicSnowball(200, 400, 12);
    setFlat(e, 200.0, 0.10, 0.0);
    e.contract.div_coupon = 0.10;
    EXPECT_NEAR(e.price(), 110.0 * std::exp(-0.015), 2e-4);
    e.contract.form = PayoffForm::Option;
    EXPECT_NEAR(e.price(), 10.0 * std::exp(-0.015), 2e-4);
    // Knocked in everywhere, the top boundary pays S_max: the note is the
    // underlying delivered at maturity, worth S0 without rates.
    e = classicSnowball(200, 243, 12);
    setFlat(e, 200.0, 1.0, 200.0);
    e.params.r = 0.0;
    e.params.sigma = 0.25;
    ASSERT_NEAR(e.price_with_grids(), 100.0, 1e-9);
    for (int n = 0; n <= 200; n += 10)
        EXPECT_NEAR(e.Price(n + 1, 1), n, 1e-9) << n;
    // With a floor it is the underlying plus a put struck at the floor. With
    // q = r the top boundary (the coupon, 200 e^{-r tau}) is exact, and so is
    // the bottom one (the discounted floor); the lowest nodes hang on how the
    // bottom enters their implicit equations. There the error is first order
    // in dS (2e-4 at dS = 0.5); at the spot below 0.003 (the floor's kink
    // and the time step).
    e.contract.floor_price = 80.0;
    e.params.sigma = 0.3, e.params.r = e.params.q = 0.03;
    e.set_grid_size(400, 200);
    ASSERT_TRUE(std::isfinite(e.price_with_grids()));
    for (int n : {1, 2, 3, 5, 10, 200}) {
        const double S = 0.5 * n;
        EXPECT_NEAR(e.Price(n + 1, 1), S * std::exp(-0.03) + black_scholes_put(S, 80.0, 0.3, 1.0, 0.03, 0.03),
                    n == 200 ? 0.01 : 0.002) << n;
    }
}

TEST(PayoffLimits, DividendYieldDigitalMatchesBlackScholes)
{
    // One observation at maturity and no knock-in: a bond plus a
    // cash-or-nothing digital (not knocked in), a forward minus an
    // asset-or-nothing plus the digital (knocked in). The yield above the
    // rate makes the drift r - q negative; with its sign slipped the values
    // would be 111.72 and 104.73 instead of 108.82 and 96.66.
    DigitalNote d;
    d.K = 100.0, d.c = 0.2, d.div = 0.05, d.sigma = 0.2, d.r = 0.02, d.q = 0.05;
    const double S_max = 300.0, dS = 0.5;
    // The barrier node pays the coupon and the node below it does not, so
    // the grid's digital sits half a step below K (an O(dS) shift of 0.07
    // and 0.1 here, taken into the closed form). What remains is the
    // implicit scheme's first-order time error: quartering dt quarters it,
    // and at dt = 1/200 it is below 0.01.
    double error[2][2];
    for (int run = 0; run < 2; ++run) {
        const int N = run == 0 ? 200 : 800;
        const SolverResult s =
            auto_call_finite_diff_implicit(d.contract(), d.model(S_max, int(S_max / dS), N), GridOutput::ValueGrids);
        ASSERT_TRUE(s.ok());
        for (bool knocked_in : {false, true}) {
            const double grid = knocked_in ? s.price_ki_grid(int(100.0 / dS) + 1, 1) : s.price;
            error[run][knocked_in] = grid - d.value(100.0, knocked_in, d.sigma, d.r, d.T, d.K - dS / 2);
        }
    }
    for (int knocked_in : {0, 1}) {
        EXPECT_LT(std::fabs(error[0][knocked_in]), 0.01) << knocked_in;
        EXPECT_NEAR(error[0][knocked_in] / error[1][knocked_in], 4.0, 0.6) << knocked_in;
    }
}

}  // namespace
