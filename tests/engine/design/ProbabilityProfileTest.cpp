// The probability profile: the forward pass reprices the engine exactly
// (it is the pricer's adjoint), closed forms in the limits, probabilities
// that add up, and agreement with the reference Monte Carlo's counts.
#include "EngineTestSupport.h"
#include "ProbabilityProfile.h"
#include "ReferenceMonteCarlo.h"

namespace {

double normalCdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

using Tweak = std::function<void(Snowball_PDE&)>;
const std::pair<const char*, Tweak> kStructures[] = {
    {"classic", [](Snowball_PDE&) {}},
    {"floor, participation, option form",
     [](Snowball_PDE& e) { e.contract.floor_price = 85, e.contract.call_strike = 100, e.contract.call_participation = 0.5, e.contract.form = PayoffForm::Option; }},
    {"step-down with dividend yield",
     [](Snowball_PDE& e) {
         for (std::size_t k = 0; k < e.contract.ko_barrier.size(); ++k)
             e.contract.ko_barrier[k] = 103 - 0.5 * k, e.contract.ki_barrier[k] = 75 + k;
         e.params.q = 0.03, e.contract.div_coupon = 0.05;
     }},
    {"spot near the knock-in barrier", [](Snowball_PDE& e) { e.params.S0 = 82; }},
    {"observed today, in-the-money", [](Snowball_PDE& e) { e.contract.obs_times.front() = 0.0, e.contract.ko_barrier.front() = 99; }},
};

TEST(ProbabilityProfile, ForwardPassRepricesTheEngineExactly)
{
    for (const auto& s : kStructures) {
        Snowball_PDE e = classicSnowball(200, 243, 3);
        s.second(e);
        const double engine = e.price();
        ASSERT_TRUE(std::isfinite(engine)) << s.first;
        EXPECT_NEAR(forward_pass_price(e.contract, e.params), engine, 1e-10 * std::fabs(engine) + 1e-12)
            << s.first;
    }
}

TEST(ProbabilityProfile, ProbabilitiesAddUpAndStayInRange)
{
    for (const auto& s : kStructures) {
        Snowball_PDE e = classicSnowball(200, 243, 3);
        s.second(e);
        const ProbabilityProfile p = probability_profile(e.contract, e.params);
        ASSERT_TRUE(p.ok()) << s.first << ": " << p.error;
        double total = p.maturity_probability;
        for (double k : p.ko_probability) {
            EXPECT_GE(k, -1e-12) << s.first;
            total += k;
        }
        EXPECT_NEAR(total, 1.0, 1e-12) << s.first;
        EXPECT_GE(p.ki_probability, 0.0);
        EXPECT_LE(p.loss_probability, p.ki_probability + 1e-12) << s.first;  // a loss has knocked in
        EXPECT_GE(p.expected_life, 0.0);
        EXPECT_LE(p.expected_life, e.params.T + 1e-12);
    }
    // In the money today: all of it knocks out at once.
    Snowball_PDE e = classicSnowball(200, 243, 3);
    kStructures[4].second(e);
    const ProbabilityProfile p = probability_profile(e.contract, e.params);
    EXPECT_NEAR(p.ko_probability.front(), 1.0, 1e-12);
    EXPECT_NEAR(p.expected_life, 0.0, 1e-12);
}

TEST(ProbabilityProfile, NoReachableBarrierReachesMaturity)
{
    Snowball_PDE e = classicSnowball(400, 243, 3);
    e.params.S_max = 400;
    setFlat(e, 400, 0.16, 0);  // knock-out only at the grid top, knock-in at 0
    const ProbabilityProfile p = probability_profile(e.contract, e.params);
    ASSERT_TRUE(p.ok());
    EXPECT_NEAR(p.maturity_probability, 1.0, 1e-9);
    EXPECT_EQ(p.ki_probability, 0.0);
    EXPECT_EQ(p.loss_probability, 0.0);
    EXPECT_NEAR(p.expected_life, e.params.T, 1e-9);
}

TEST(ProbabilityProfile, OneObservationAtMaturityIsTheDigital)
{
    // P(S_T >= B) = N(d2) with d2 = (ln(S0/B) + (r - q - sigma^2/2) T) / (sigma sqrt T),
    // on a fine grid (dS = 0.1: the barrier node shifts it by at most half a
    // cell, about 0.002).
    const std::tuple<double, double, double, double> cases[] = {  // barrier, r, q, sigma
        {100.0, 0.02, 0.0, 0.2}, {110.0, 0.02, 0.03, 0.2}, {90.0, 0.05, 0.01, 0.3}, {105.0, -0.01, 0.04, 0.15}};
    for (const auto& c : cases) {
        const double B = std::get<0>(c), r = std::get<1>(c), q = std::get<2>(c), sigma = std::get<3>(c);
        SnowballContract contract{{1.0}, {B}, {0.1}, {0.0}};
        PDEParams p;
        p.S0 = 100, p.S_max = 250, p.sigma = sigma, p.r = r, p.q = q, p.T = 1.0, p.M = 2500, p.N = 400;
        const ProbabilityProfile profile = probability_profile(contract, p);
        ASSERT_TRUE(profile.ok()) << profile.error;
        const double d2 = (std::log(p.S0 / B) + (r - q - 0.5 * sigma * sigma) * p.T) / (sigma * std::sqrt(p.T));
        EXPECT_NEAR(profile.ko_probability[0], normalCdf(d2), 0.003) << B << " " << q;
        EXPECT_NEAR(profile.maturity_probability, normalCdf(-d2), 0.003) << B << " " << q;
        EXPECT_EQ(profile.ki_probability, 0.0);
        EXPECT_NEAR(profile.expected_life, 1.0, 1e-12);
    }
}

TEST(ProbabilityProfile, AgreesWithTheMonteCarloCounts)
{
    // Observations on trading days, so both monitor the same days; the grid
    // fine in price (dS = 0.1) so that the barrier nodes sit close to the
    // barriers. Both have errors: the Monte Carlo's standard error and the
    // grid's, a few thousandths.
    Snowball_PDE e = classicSnowball(2000, 243, 3);
    for (std::size_t k = 0; k < e.contract.obs_times.size(); ++k)
        e.contract.obs_times[k] = std::round(e.contract.obs_times[k] * 243.0) / 243.0;
    e.contract.obs_times.back() = 1.0;
    for (std::size_t k = 0; k < e.contract.ki_barrier.size(); ++k)
        e.contract.ki_barrier[k] = 88.0 - 2.0 * k;  // each period its own knock-in barrier
    e.contract.floor_price = 70;
    const SnowballContract contract = e.contract;
    const ProbabilityProfile p = probability_profile(contract, e.params);
    ReferenceMcSettings settings;
    settings.paths = 200000;
    settings.seed = 11;
    const ReferenceMcResult mc = reference_monte_carlo(contract, e.params, 243, settings);
    ASSERT_TRUE(p.ok() && mc.ok());
    auto agree = [](double pde, const McEstimate& m, const std::string& what) {
        EXPECT_NEAR(pde, m.mean, 4.0 * m.standard_error + 0.003) << what;
    };
    for (std::size_t k = 0; k < p.ko_probability.size(); ++k)
        agree(p.ko_probability[k], mc.ko_probability[k], "knock-out " + std::to_string(k));
    agree(p.maturity_probability, mc.maturity_probability, "maturity");
    agree(p.ki_probability, mc.ki_probability, "knock-in");
    agree(p.loss_probability, mc.loss_probability, "loss");
    agree(p.expected_life, mc.expected_life, "life");
}

TEST(ProbabilityProfile, ALossIsPayingLessThanTheStartPrice)
{
    // Knocked in at today's column (barrier 100 on the spot's node) and out
    // of reach of the knock-out barrier.
    Snowball_PDE e = classicSnowball(200, 243, 3);
    setFlat(e, 190, 0.16, 100);
    // Almost no volatility and no drift: the note ends on the start price's
    // node and pays exactly the start price, which is no loss.
    e.params.sigma = 0.001, e.params.q = e.params.r;
    ProbabilityProfile p = probability_profile(e.contract, e.params);
    ASSERT_TRUE(p.ok()) << p.error;
    EXPECT_NEAR(p.ki_probability, 1.0, 1e-12);
    EXPECT_LT(p.loss_probability, 0.05);
    // A floor at the start price saves every path, down to the bottom of
    // the grid (which a volatility of 60% reaches).
    e.params.sigma = 0.6, e.contract.floor_price = 100;
    p = probability_profile(e.contract, e.params);
    ASSERT_TRUE(p.ok()) << p.error;
    EXPECT_EQ(p.loss_probability, 0.0);
    // So in the reference Monte Carlo.
    ReferenceMcSettings settings;
    settings.paths = 2000, settings.knocked_in = true;
    const ReferenceMcResult mc = reference_monte_carlo(e.contract, e.params, 243, settings);
    ASSERT_TRUE(mc.ok()) << mc.error;
    EXPECT_EQ(mc.loss_probability.mean, 0.0);
}

}  // namespace
