// The accurate pricer: convergence order against a closed form, its price
// and error estimate against converged references, smooth Greeks through
// the barriers.
#include "AccurateScheme.h"
#include "AccurateStructures.h"
#include "DigitalNote.h"
#include "StretchedGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <cmath>
#include <limits>

namespace {

// The digital note on the accurate pricer's usual model (grid top 2 S0).
struct Digital : DigitalNote
{
    PDEParams model() const { return accurateModel(sigma, r, q, T, S0); }
};

TEST(AccuratePricer, ConvergesWithOrderTwoToTheClosedForm)
{
    const Digital digital;
    // Resolutions where the error is well above rounding and the price and
    // time errors (of opposite sign on the not-knocked-in digital) do not
    // happen to cancel.
    const struct { bool knocked_in; int cells; } runs[] = {
        {false, 20}, {false, 40}, {true, 20}, {true, 40}, {true, 80}, {true, 160}};
    for (const auto& run : runs) {
        const double exact = digital.value(100.0, run.knocked_in);
        const AccurateSolution s =
            solve_accurate(digital.contract(), digital.model(), 12, AccurateResolution{run.cells, 2});
        ASSERT_TRUE(s.ok()) << s.error;
        const double coarse = std::fabs(s.coarse_value(100.0, run.knocked_in) - exact);
        const double fine = std::fabs(s.fine_value(100.0, run.knocked_in) - exact);
        const double extrapolated = std::fabs(s.value(100.0, run.knocked_in) - exact);
        // Halving both steps quarters the error (order 2 within 1.7..2.3),
        // the extrapolation does far better than either level, and the
        // estimate covers it.
        const double order = std::log2(coarse / fine);
        EXPECT_GT(order, 1.7) << run.cells << " " << run.knocked_in;
        EXPECT_LT(order, 2.3) << run.cells << " " << run.knocked_in;
        EXPECT_LT(extrapolated, 0.1 * fine) << run.cells << " " << run.knocked_in;
        EXPECT_GE(s.error_estimate(100.0, run.knocked_in), extrapolated) << run.cells;
    }
    for (bool knocked_in : {false, true}) {
        const AccurateSolution s = solve_accurate(digital.contract(), digital.model(), 12);
        EXPECT_NEAR(s.value(100.0, knocked_in), digital.value(100.0, knocked_in), 1e-4) << knocked_in;
    }
}

TEST(AccuratePricer, GridStaysOrderedWhereNewtonBouncesInTheStretch)
{
    // 35 % over a year with drift 2 %: the fine grid's inverse stretch used
    // to stop between the ends of its bracket, folding one node far below
    // its neighbours and the knocked-in value 1.2 off.
    Digital digital;
    digital.sigma = 0.35, digital.r = 0.035, digital.q = 0.015;
    const std::unique_ptr<StretchedGrid> grid = accurate_price_grid(digital.contract(), digital.model(), 160);
    const std::vector<double> S = grid->nodes(1);
    EXPECT_TRUE(std::is_sorted(S.begin(), S.end(), std::less_equal<double>()));
    const AccurateSolution s = solve_accurate(digital.contract(), digital.model(), 243);
    for (bool knocked_in : {false, true})
        EXPECT_NEAR(s.value(100.0, knocked_in), digital.value(100.0, knocked_in), 2e-4) << knocked_in;
}

TEST(AccuratePricer, GreeksMatchTheClosedForm)
{
    Digital digital;
    for (bool option : {false, true}) {
        digital.option = option;
        const int year_days = 12;
        const GreeksValuation g = greeks_accurate(digital.contract(), digital.model(), year_days, 100.0, true);
        ASSERT_TRUE(g.error.empty()) << g.error;
        auto v = [&](double S, double vol, double rate, double tau) { return digital.value(S, true, vol, rate, tau); };
        const double h = 0.01, T = digital.T, s = digital.sigma, r = digital.r;
        EXPECT_NEAR(g.price, v(100, s, r, T), 2e-4);
        EXPECT_NEAR(g.delta, (v(100 + h, s, r, T) - v(100 - h, s, r, T)) / (2 * h), 2e-4);
        EXPECT_NEAR(g.gamma, (v(100 + h, s, r, T) - 2 * v(100, s, r, T) + v(100 - h, s, r, T)) / (h * h), 2e-4);
        EXPECT_NEAR(g.vega, (v(100, s + h, r, T) - v(100, s - h, r, T)) / (2 * h), 5e-3);
        EXPECT_NEAR(g.rho, (v(100, s, r + h, T) - v(100, s, r - h, T)) / (2 * h), 5e-3);
        // Theta: per year, as the valuation date moves on to the next close.
        const double day = 1.0 / year_days;
        EXPECT_NEAR(g.theta, (v(100, s, r, T - day) - v(100, s, r, T)) / day, 5e-3);
    }
}

TEST(AccuratePricer, TheLastObservationIsSettledAtMaturity)
{
    // Observed at 0.6 years of a one-year term, the last observation still
    // pays at maturity with the coupon accrued to it: the digital's closed
    // form at T.
    Digital digital;
    for (bool option : {false, true}) {
        digital.option = option;
        SnowballContract early = digital.contract();
        early.obs_times = {0.6 * digital.T};
        const AccurateSolution s = solve_accurate(early, digital.model(), 12);
        ASSERT_TRUE(s.ok()) << s.error;
        for (bool knocked_in : {false, true})
            EXPECT_NEAR(s.value(100.0, knocked_in), digital.value(100.0, knocked_in), 1e-4) << option << knocked_in;
    }
}

TEST(AccuratePricer, VegaAtAVolatilityEqualToTheBump)
{
    // At 1% the bump down would reach 0, which the pricer refuses: Vega is
    // then one-sided (1% to 2%), as two separate solves give it.
    Digital digital;
    digital.sigma = 0.01;
    const GreeksValuation g = greeks_accurate(digital.contract(), digital.model(), 12, 100.0, false);
    ASSERT_TRUE(g.error.empty()) << g.error;
    PDEParams up = digital.model();
    up.sigma = 0.02;
    const double oneSided = (solve_accurate(digital.contract(), up, 12).value(100.0, false) -
                             solve_accurate(digital.contract(), digital.model(), 12).value(100.0, false)) / 0.01;
    EXPECT_NEAR(g.vega, oneSided, 0.02 * std::fabs(oneSided));
}

TEST(StretchedGrid, AnchorsCloserThanACellShareOneNode)
{
    // 100 and 100.001 fall in one base cell: the first keeps its node, the
    // second none; the nodes still rise and every anchor kept is a node.
    const StretchedGrid grid(300.0, 100.0, {{100.0, 2.7, 8.0}, {80.0, 2.7, 24.0}}, {100.001, 80.0, 100.0}, 160);
    ASSERT_FALSE(grid.empty());
    EXPECT_EQ(grid.anchored(), std::vector<double>({80.0, 100.0}));
    for (int level : {0, 1}) {
        const std::vector<double> S = grid.nodes(level);
        ASSERT_EQ(S.size(), static_cast<std::size_t>(grid.cells(level)) + 1);
        for (std::size_t i = 1; i < S.size(); ++i)
            ASSERT_GT(S[i], S[i - 1]) << level << " node " << i;
        for (double a : grid.anchored())
            EXPECT_TRUE(std::binary_search(S.begin(), S.end(), a)) << a;
    }
}

// References: this pricer at 640 price cells and 8 steps a day (1280 and 16
// on the fine level), whose extrapolation agrees with the one at 1280 cells
// to the uncertainty given. The monthly note has an outside value as well:
// 101.154, a converged daily-knock-in solve confirmed by Monte Carlo.
struct Reference
{
    const char* name;
    double value, uncertainty;
};
const Reference kReferences[] = {
    {"note_12_monthly", 101.152378, 2e-5},   {"default_lock3", 102.037193, 2e-5},
    {"option_form", 1.837752, 2e-5},         {"stepdown_2y_floor", 100.456386, 3e-5},
    {"participation", 102.786904, 2e-5},     {"spot_near_ki", 84.180228, 3e-5},
    {"spot_below_ko", 100.663184, 2e-5},     {"knocked_in", 98.388834, 2e-5},
    {"vol40_2y", 97.122469, 3e-5},           {"yield_doubledown_option", -0.916321, 2e-5},
};

TEST(AccuratePricer, PricesTheStructuresWithinTheirEstimates)
{
    const std::vector<AccurateCase> cases = accurateCases();
    ASSERT_EQ(cases.size(), sizeof kReferences / sizeof kReferences[0]);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const AccurateCase& k = cases[i];
        const Reference& ref = kReferences[i];
        ASSERT_EQ(k.name, ref.name);
        const AccurateSolution s = solve_accurate(k.contract, k.model, k.year_days);
        ASSERT_TRUE(s.ok()) << k.name << ": " << s.error;
        const double value = s.value(k.at(), k.knocked_in);
        const double estimate = s.error_estimate(k.at(), k.knocked_in);
        const double error = std::fabs(value - ref.value);
        EXPECT_LE(error, 0.002) << k.name;
        EXPECT_GE(estimate + ref.uncertainty, error) << k.name;
        EXPECT_LE(estimate, 0.005) << k.name;
    }
    const AccurateCase note = monthlyNoteCase();
    const AccurateSolution s = solve_accurate(note.contract, note.model, note.year_days);
    EXPECT_NEAR(s.value(100.0, false), 101.154, 0.002);
}

// Delta and Gamma against spot from 75 to 110, through the knock-in barrier
// 80 (from above for the structure that has not knocked in) and the
// knock-out barrier 103, against a solve with four times the price nodes and
// time steps. Three structures: the monthly note and the window's default
// (tomorrow's close checks the knock-in barrier) and the note observed for
// knock-out tomorrow, so that the jump the next moment leaves has one day to
// diffuse at either barrier. A node-to-node ripple in Gamma (0.1 on values
// near 0.25 just above the knock-in barrier, where one day's standard
// deviation is 0.9) fails the comparison; so does a kink, a jump in Gamma's
// slope at a node, which a smooth Gamma does not have.
TEST(AccuratePricer, GreeksAreSmoothInSpotThroughTheBarriers)
{
    AccurateCase ko_tomorrow = monthlyNoteCase();
    ko_tomorrow.name = "knock-out tomorrow";
    for (double& t : ko_tomorrow.contract.obs_times)
        t -= 1.0 / 12.0 - 1.0 / 243.0;
    ko_tomorrow.contract.obs_times.back() = 1.0;
    const AccurateCase cases[] = {monthlyNoteCase(), defaultCase(), ko_tomorrow};
    for (const AccurateCase& k : cases) {
        const AccurateSolution s = solve_accurate(k.contract, k.model, k.year_days);
        const AccurateSolution finer = solve_accurate(k.contract, k.model, k.year_days, AccurateResolution{640, 8});
        ASSERT_TRUE(s.ok() && finer.ok()) << k.name;
        for (bool knocked_in : {false, true}) {
            double worst_delta = 0.0, worst_gamma = 0.0, at_delta = 0.0, at_gamma = 0.0, largest_gamma = 0.0;
            for (int i = 0; i < 3500; ++i) {
                const double S = 75.005 + 0.01 * i;  // never on the knock-in barrier, where Gamma jumps
                const double dd = std::fabs(s.delta(S, knocked_in) - finer.delta(S, knocked_in));
                const double dg = std::fabs(s.gamma(S, knocked_in) - finer.gamma(S, knocked_in));
                if (!(dd <= worst_delta))
                    worst_delta = dd, at_delta = S;
                if (!(dg <= worst_gamma))
                    worst_gamma = dg, at_gamma = S;
                largest_gamma = std::max(largest_gamma, std::fabs(finer.gamma(S, knocked_in)));
            }
            EXPECT_LT(worst_delta, 0.001) << k.name << " " << knocked_in << " at " << at_delta;
            EXPECT_LT(worst_gamma, 0.01 * largest_gamma) << k.name << " " << knocked_in << " at " << at_gamma;

            // Gamma's slope on either side of every node, from steps of 1e-4:
            // equal but for 3e-4 times Gamma's curvature where Gamma is smooth.
            const double h = 1e-4;
            auto gamma = [&](double S) { return s.gamma(S, knocked_in); };
            for (double node : s.fine().S) {
                if (node < 75.0 || node > 110.0 || node == 80.0)
                    continue;
                const double right = (gamma(node + 2 * h) - gamma(node + h)) / h;
                const double left = (gamma(node - h) - gamma(node - 2 * h)) / h;
                EXPECT_NEAR(right, left, 0.01) << k.name << " " << knocked_in << " node " << node;
            }
        }
    }
    // Below the barrier today's close knocks the structure in.
    const AccurateCase note = monthlyNoteCase();
    const AccurateSolution s = solve_accurate(note.contract, note.model, note.year_days);
    EXPECT_DOUBLE_EQ(s.value(79.5, false), s.value(79.5, true));
    EXPECT_DOUBLE_EQ(s.delta(79.5, false), s.delta(79.5, true));
    EXPECT_GT(s.value(80.5, false), s.value(80.5, true));
}

}  // namespace
