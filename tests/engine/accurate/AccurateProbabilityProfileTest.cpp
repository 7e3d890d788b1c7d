// The accurate probability profile: the pricer's own prices of indicator
// payoffs (it is their adjoint), closed forms, probabilities that add up,
// agreement with the reference Monte Carlo's counts and the hook.
#include "AccurateProbabilityProfile.h"
#include "AccurateStructures.h"
#include "ReferenceMonteCarlo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

const int kYearDays = 243;

double normalCdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// P(S_T >= B) under drift r - q: N(d2).
double aboveAtMaturity(double S0, double B, double r, double q, double sigma, double T)
{
    return normalCdf((std::log(S0 / B) + (r - q - 0.5 * sigma * sigma) * T) / (sigma * std::sqrt(T)));
}

// Valued at the case's spot: the profile starts at the model's S0.
AccurateCase atItsSpot(AccurateCase k)
{
    k.model.S0 = k.at();
    k.spot = 0.0;
    return k;
}

double sumOfOutcomes(const ProbabilityProfile& p)
{
    double total = p.maturity_probability;
    for (double k : p.ko_probability)
        total += k;
    return total;
}

// Without knock-in, in the option form and with r = 0 (the drift -0.03
// kept), a structure that pays S0 on knocking out at observation j alone
// (coupon 1 / t_j) is worth S0 P(KO_j) on the pricer's grid and steps.
AccurateCase indicatorCase()
{
    AccurateCase k = defaultCase();
    k.contract.ki_barrier.assign(k.contract.obs_times.size(), 0.0);
    k.contract.form = PayoffForm::Option;
    k.model.q = 0.03 - k.model.r;
    k.model.r = 0.0;
    return k;
}

AccurateSolution knockOutIndicator(const AccurateCase& k, std::size_t j)
{
    SnowballContract c = k.contract;
    const std::size_t n = c.obs_times.size();
    c.ko_coupon.assign(n, 0.0);
    c.ko_coupon[j] = 1.0 / (j + 1 == n ? k.model.T : c.obs_times[j]);
    c.div_coupon = 0.0;
    return solve_accurate(c, k.model, kYearDays);
}

TEST(AccurateProbabilityProfile, IsThePricersValueOfIndicatorPayoffs)
{
    // The profile is the pricer's adjoint: the two agree to rounding. The
    // dividend coupon d pays S0 d T on reaching maturity.
    const AccurateCase k = indicatorCase();
    const ProbabilityProfile p = probability_profile_accurate(k.contract, k.model, kYearDays);
    ASSERT_TRUE(p.ok()) << p.error;
    const std::size_t n = k.contract.obs_times.size();
    for (std::size_t j : {std::size_t(0), std::size_t(4), n - 1}) {
        const AccurateSolution s = knockOutIndicator(k, j);
        ASSERT_TRUE(s.ok()) << s.error;
        EXPECT_NEAR(p.ko_probability[j], s.value(k.model.S0, false) / k.model.S0, 1e-11) << j;
    }
    SnowballContract c = k.contract;
    c.ko_coupon.assign(n, 0.0);
    c.div_coupon = 0.5;
    const AccurateSolution s = solve_accurate(c, k.model, kYearDays);
    EXPECT_NEAR(p.maturity_probability, s.value(k.model.S0, false) / (k.model.S0 * 0.5 * k.model.T), 1e-11);
}

TEST(AccurateProbabilityProfile, ASpotBetweenNodesIsSharedAsThePricerInterpolates)
{
    // The last knock-out barrier 0.05 below the spot takes the spot's place
    // on the grid, so the spot lies between two nodes. Each level's figure
    // is then the pricer's indicator value interpolated linearly between
    // them (the adjoint of sharing the start between the two nodes), and
    // the profile extrapolates the levels as the pricer does.
    AccurateCase k = indicatorCase();
    const std::size_t n = k.contract.obs_times.size();
    k.contract.ko_barrier.back() = 99.95;
    const double S0 = k.model.S0;
    const ProbabilityProfile p = probability_profile_accurate(k.contract, k.model, kYearDays);
    ASSERT_TRUE(p.ok()) << p.error;
    const auto linear = [S0](const AccurateSolution::Level& L) {
        const std::size_t i = static_cast<std::size_t>(std::lower_bound(L.S.begin(), L.S.end(), S0) - L.S.begin());
        const double w = (L.S[i] - S0) / (L.S[i] - L.S[i - 1]);
        return w * L.nki[i - 1] + (1.0 - w) * L.nki[i];
    };
    for (std::size_t j : {std::size_t(0), std::size_t(3), n - 1}) {
        const AccurateSolution s = knockOutIndicator(k, j);
        ASSERT_TRUE(s.ok()) << s.error;
        ASSERT_FALSE(std::binary_search(s.fine().S.begin(), s.fine().S.end(), S0));  // between nodes indeed
        const double expected = (4.0 * linear(s.fine()) - linear(s.coarse())) / 3.0 / S0;
        EXPECT_NEAR(p.ko_probability[j], expected, 1e-11) << j;
    }
}

TEST(AccurateProbabilityProfile, ClosedFormsInTheLimits)
{
    // No reachable barrier: everything reaches maturity, nothing knocks in.
    {
        SnowballContract c = monthlySnowball(3, 12, 5000.0, 0.1, 0.0);
        const PDEParams m = accurateModel(0.2, 0.02, 0.01, 1.0);
        const ProbabilityProfile p = probability_profile_accurate(c, m, kYearDays);
        ASSERT_TRUE(p.ok()) << p.error;
        EXPECT_NEAR(p.maturity_probability, 1.0, 1e-9);
        EXPECT_EQ(p.ki_probability, 0.0);
        EXPECT_EQ(p.loss_probability, 0.0);
        EXPECT_NEAR(p.expected_life, m.T, 1e-9);
    }
    // One observation at maturity, no knock-in: the digital N(d2) with the
    // dividend yield; knocked in from the start, the loss is P(S_T < S0)
    // (the barrier above S0) and every path counts as knocked in.
    const struct
    {
        double B, r, q, sigma, T;
    } cases[] = {{100.0, 0.02, 0.0, 0.2, 1.0}, {110.0, 0.02, 0.03, 0.2, 1.0}, {90.0, 0.05, 0.01, 0.3, 0.5},
                 {105.0, -0.01, 0.04, 0.15, 2.0}};
    for (const auto& t : cases) {
        const SnowballContract c{{t.T}, {t.B}, {0.1}, {0.0}};
        const PDEParams m = accurateModel(t.sigma, t.r, t.q, t.T);
        const std::string what = "B " + std::to_string(t.B) + " q " + std::to_string(t.q);
        const double digital = aboveAtMaturity(m.S0, t.B, t.r, t.q, t.sigma, t.T);
        for (bool in : {false, true}) {
            const ProbabilityProfile p = probability_profile_accurate(c, m, kYearDays, in);
            ASSERT_TRUE(p.ok()) << p.error;
            EXPECT_NEAR(p.ko_probability[0], digital, 2e-4) << what;
            EXPECT_LE(std::fabs(p.ko_probability[0] - digital), 3.0 * p.ko_error[0] + 2e-5) << what;
            EXPECT_NEAR(p.maturity_probability, 1.0 - digital, 2e-4) << what;
            EXPECT_NEAR(p.expected_life, t.T, 1e-12) << what;
            EXPECT_EQ(p.ki_probability, in ? 1.0 : 0.0) << what;
            const double below = 1.0 - aboveAtMaturity(m.S0, m.S0, t.r, t.q, t.sigma, t.T);
            if (t.B > m.S0) {
                EXPECT_NEAR(p.loss_probability, in ? below : 0.0, 2e-4) << what;
            }
        }
    }
    // One close a year: knock-in is checked today (above it) and at maturity
    // only, so P(KI) = P(S_T <= K) and, K below S0, the loss is the same
    // (time steps as fine as with a daily close).
    AccurateResolution yearly;
    yearly.steps_per_day = 500;
    for (const double ki : {80.0, 95.0}) {
        const SnowballContract c{{1.0}, {110.0}, {0.1}, {ki}};
        const PDEParams m = accurateModel(0.25, 0.03, 0.01, 1.0);
        const ProbabilityProfile p = probability_profile_accurate(c, m, 1, yearly);
        ASSERT_TRUE(p.ok()) << p.error;
        const double below = 1.0 - aboveAtMaturity(m.S0, ki, m.r, m.q, m.sigma, m.T);
        EXPECT_NEAR(p.ki_probability, below, 2e-4) << ki;
        EXPECT_NEAR(p.loss_probability, below, 2e-4) << ki;
        EXPECT_NEAR(p.ko_probability[0], aboveAtMaturity(m.S0, 110.0, m.r, m.q, m.sigma, m.T), 2e-4) << ki;
    }
    // Below the knock-in barrier at today's close: knocked in for sure.
    {
        const SnowballContract c = monthlySnowball(1, 12, 103.0, 0.1, 80.0);
        const ProbabilityProfile p = probability_profile_accurate(c, accurateModel(0.2, 0.02, 0.0, 1.0, 79.0), kYearDays);
        ASSERT_TRUE(p.ok()) << p.error;
        EXPECT_EQ(p.ki_probability, 1.0);
    }
    // Knocked out today: observed today above its barrier.
    {
        SnowballContract c = monthlySnowball(1, 12, 99.0, 0.1, 80.0);
        c.obs_times.front() = 0.0;
        const ProbabilityProfile p = probability_profile_accurate(c, accurateModel(0.2, 0.02, 0.0, 1.0), kYearDays);
        ASSERT_TRUE(p.ok()) << p.error;
        EXPECT_EQ(p.ko_probability.front(), 1.0);
        EXPECT_EQ(p.expected_life, 0.0);
        EXPECT_EQ(p.ki_probability, 0.0);
    }
}

TEST(AccurateProbabilityProfile, AFloorAtTheStartPriceSavesFromALoss)
{
    // Knocked in from the start: without a floor about half the paths end
    // below the start price; a floor exactly there saves them all.
    SnowballContract c = monthlySnowball(3, 12, 190.0, 0.16, 80.0);
    const PDEParams m = accurateModel(0.3, 0.02, 0.0, 1.0);
    const ProbabilityProfile lossy = probability_profile_accurate(c, m, kYearDays, true);
    ASSERT_TRUE(lossy.ok()) << lossy.error;
    EXPECT_GT(lossy.loss_probability, 0.4);
    c.floor_price = m.S0;
    const ProbabilityProfile floored = probability_profile_accurate(c, m, kYearDays, true);
    ASSERT_TRUE(floored.ok()) << floored.error;
    EXPECT_EQ(floored.loss_probability, 0.0);
}

TEST(AccurateProbabilityProfile, ProbabilitiesAddUpAndStayInRange)
{
    for (const AccurateCase& raw : accurateCases()) {
        const AccurateCase k = atItsSpot(raw);
        const ProbabilityProfile p = probability_profile_accurate(k.contract, k.model, k.year_days, k.knocked_in);
        ASSERT_TRUE(p.ok()) << k.name << ": " << p.error;
        EXPECT_NEAR(sumOfOutcomes(p), 1.0, 1e-10) << k.name;
        for (std::size_t j = 0; j < p.ko_probability.size(); ++j) {
            EXPECT_GE(p.ko_probability[j], -1e-6) << k.name << " " << j;
            EXPECT_GE(p.ko_error[j], 0.0);
        }
        EXPECT_GE(p.ki_probability, 0.0) << k.name;
        EXPECT_LE(p.ki_probability, 1.0 + 1e-10) << k.name;
        EXPECT_LE(p.loss_probability, p.ki_probability + 1e-10) << k.name;  // a loss has knocked in
        EXPECT_GT(p.expected_life, 0.0) << k.name;
        EXPECT_LE(p.expected_life, k.model.T + 1e-10) << k.name;
        EXPECT_LT(p.maturity_error + p.ki_error + p.loss_error, 3e-3) << k.name;
        if (k.knocked_in) {
            EXPECT_EQ(p.ki_probability, 1.0) << k.name;
        }
    }
}

// At a volatility of a fraction of a percent the drift outruns the diffusion
// between the usual nodes; the figures must still be probabilities (within
// their error estimates), add up, and end within the maturity.
TEST(AccurateProbabilityProfile, VeryLowVolatilitiesStayProbabilities)
{
    for (double sigma : {0.005, 0.01}) {
        AccurateCase k = atItsSpot(defaultCase());
        k.model.sigma = sigma;
        const ProbabilityProfile p = probability_profile_accurate(k.contract, k.model, k.year_days, false);
        ASSERT_TRUE(p.ok()) << sigma << ": " << p.error;
        for (std::size_t j = 0; j < p.ko_probability.size(); ++j) {
            EXPECT_GE(p.ko_probability[j], -p.ko_error[j] - 1e-12) << sigma << " " << j;
            EXPECT_LE(p.ko_probability[j], 1.0 + p.ko_error[j]) << sigma << " " << j;
        }
        EXPECT_LE(p.maturity_probability, 1.0 + p.maturity_error) << sigma;
        EXPECT_GE(p.maturity_probability, -p.maturity_error) << sigma;
        EXPECT_NEAR(sumOfOutcomes(p), 1.0, 1e-6) << sigma;
        EXPECT_LE(p.expected_life, k.model.T) << sigma;
    }
}

TEST(AccurateProbabilityProfile, AgreesWithTheMonteCarloCounts)
{
    // Both monitor the same closes and observation dates; the profile's own
    // error is far below the Monte Carlo's at this count.
    std::vector<AccurateCase> cases;
    for (const char* name : {"default_lock3", "stepdown_2y_floor", "spot_near_ki", "knocked_in", "yield_doubledown_option"})
        for (const AccurateCase& k : accurateCases())
            if (k.name == name)
                cases.push_back(atItsSpot(k));
    ASSERT_EQ(cases.size(), 5u);
    for (const AccurateCase& k : cases) {
        const ProbabilityProfile p = probability_profile_accurate(k.contract, k.model, k.year_days, k.knocked_in);
        ReferenceMcSettings settings;
        settings.paths = 300000;
        settings.seed = 7;
        settings.knocked_in = k.knocked_in;
        const ReferenceMcResult mc = reference_monte_carlo(k.contract, k.model, k.year_days, settings);
        ASSERT_TRUE(p.ok() && mc.ok()) << k.name << p.error << mc.error;
        auto agree = [&](double accurate, const McEstimate& m, const std::string& what) {
            EXPECT_NEAR(accurate, m.mean, 4.0 * m.standard_error + 3e-4) << k.name << ": " << what;
        };
        for (std::size_t j = 0; j < p.ko_probability.size(); ++j)
            agree(p.ko_probability[j], mc.ko_probability[j], "knock-out " + std::to_string(j));
        agree(p.maturity_probability, mc.maturity_probability, "maturity");
        agree(p.ki_probability, mc.ki_probability, "knock-in");
        agree(p.loss_probability, mc.loss_probability, "loss");
        agree(p.expected_life, mc.expected_life, "life");
    }
}

TEST(AccurateProbabilityProfile, ReportsProgressAndStopsWhenAsked)
{
    // Its refusals are the pricer's: the rule table's solver loop checks them.
    const AccurateCase k = defaultCase();
    std::vector<double> seen;
    const ProbabilityProfile done = probability_profile_accurate(k.contract, k.model, kYearDays, false, [&](double f) {
        seen.push_back(f);
        return true;
    });
    ASSERT_TRUE(done.ok());
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
    const ProbabilityProfile stopped =
        probability_profile_accurate(k.contract, k.model, kYearDays, false, [](double f) { return f < 0.5; });
    EXPECT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error, "cancelled");
}

}  // namespace
