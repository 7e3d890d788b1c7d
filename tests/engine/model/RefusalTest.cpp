// The one rule set: what each method refuses, and that the solvers refuse
// exactly that (the design grid's NaN, the accurate pricer's and the Monte
// Carlo's refusals all carry the rule set's code, the probability passes
// refuse alike).
#include "AccuratePricer.h"
#include "AccurateProbabilityProfile.h"
#include "AutoCallSolver.h"
#include "EngineTestSupport.h"
#include "ProbabilityProfile.h"
#include "ReferenceMonteCarlo.h"
#include "Refusal.h"

namespace {

using RC = RefusalCode;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RuleCase
{
    const char* name;
    std::function<void(PricingRequest&)> change;
    RC design, accurate, monte_carlo;
};

PricingRequest defaultRequest()
{
    PricingRequest r = classicSnowball().request();
    r.monte_carlo.paths = 2000;
    return r;
}

const RuleCase kRules[] = {
    {"no rule broken", [](PricingRequest&) {}, RC::None, RC::None, RC::None},
    {"spot 0", [](PricingRequest& r) { r.model.S0 = 0; }, RC::Spot, RC::Spot, RC::Spot},
    {"spot NaN", [](PricingRequest& r) { r.model.S0 = kNaN; }, RC::Spot, RC::Spot, RC::Spot},
    {"negative spot", [](PricingRequest& r) { r.model.S0 = -1; }, RC::Spot, RC::Spot, RC::Spot},
    {"grid top at the spot", [](PricingRequest& r) { r.model.S_max = 100; }, RC::GridTop, RC::None, RC::None},
    {"negative volatility", [](PricingRequest& r) { r.model.sigma = -0.01; }, RC::Volatility, RC::Volatility,
     RC::Volatility},
    {"NaN volatility", [](PricingRequest& r) { r.model.sigma = kNaN; }, RC::Volatility, RC::Volatility,
     RC::Volatility},
    {"zero volatility", [](PricingRequest& r) { r.model.sigma = 0; }, RC::None, RC::ZeroVolatility, RC::None},
    {"maturity 0", [](PricingRequest& r) { r.model.T = 0; }, RC::Maturity, RC::Maturity, RC::Maturity},
    {"M 2", [](PricingRequest& r) { r.model.M = 2; }, RC::PriceSteps, RC::None, RC::None},
    {"N 0", [](PricingRequest& r) { r.model.N = 0; }, RC::TimeSteps, RC::None, RC::None},
    {"rate NaN", [](PricingRequest& r) { r.model.r = kNaN; }, RC::RateOrDividend, RC::RateOrDividend,
     RC::RateOrDividend},
    {"dividend yield NaN counts as 0", [](PricingRequest& r) { r.model.q = kNaN; }, RC::None, RC::None, RC::None},
    {"infinite dividend yield", [](PricingRequest& r) { r.model.q = INFINITY; }, RC::RateOrDividend,
     RC::RateOrDividend, RC::RateOrDividend},
    {"no trading days", [](PricingRequest& r) { r.year_days = 0; }, RC::None, RC::YearDays, RC::YearDays},
    {"no observation", [](PricingRequest& r) { r.contract.obs_times.clear(); }, RC::NoObservations,
     RC::NoObservations, RC::NoObservations},
    {"two knock-out barriers", [](PricingRequest& r) { r.contract.ko_barrier.resize(2); }, RC::KoBarrierCount,
     RC::KoBarrierCount, RC::KoBarrierCount},
    {"a coupon short", [](PricingRequest& r) { r.contract.ko_coupon.pop_back(); }, RC::KoCouponCount,
     RC::KoCouponCount, RC::KoCouponCount},
    {"a knock-in barrier too many", [](PricingRequest& r) { r.contract.ki_barrier.push_back(80); },
     RC::KiBarrierCount, RC::KiBarrierCount, RC::KiBarrierCount},
    {"negative knock-out barrier", [](PricingRequest& r) { r.contract.ko_barrier[3] = -1; },
     RC::NegativeKoBarrier, RC::NegativeKoBarrier, RC::NegativeKoBarrier},
    {"coupon NaN", [](PricingRequest& r) { r.contract.ko_coupon[0] = kNaN; }, RC::NegativeKoCoupon,
     RC::NegativeKoCoupon, RC::NegativeKoCoupon},
    {"negative knock-in barrier", [](PricingRequest& r) { r.contract.ki_barrier[5] = -80; },
     RC::NegativeKiBarrier, RC::NegativeKiBarrier, RC::NegativeKiBarrier},
    {"negative dividend coupon", [](PricingRequest& r) { r.contract.div_coupon = -0.1; }, RC::NegativeDivCoupon,
     RC::NegativeDivCoupon, RC::NegativeDivCoupon},
    {"NaN dividend coupon", [](PricingRequest& r) { r.contract.div_coupon = kNaN; }, RC::NegativeDivCoupon,
     RC::NegativeDivCoupon, RC::NegativeDivCoupon},
    {"infinite floor", [](PricingRequest& r) { r.contract.floor_price = INFINITY; }, RC::NegativeFloor,
     RC::NegativeFloor, RC::NegativeFloor},
    {"negative strike", [](PricingRequest& r) { r.contract.call_strike = -1; }, RC::NegativeStrike,
     RC::NegativeStrike, RC::NegativeStrike},
    {"negative participation", [](PricingRequest& r) { r.contract.call_participation = -0.5; },
     RC::NegativeParticipation, RC::NegativeParticipation, RC::NegativeParticipation},
    {"knock-out above the grid", [](PricingRequest& r) { r.contract.ko_barrier[0] = 250; },
     RC::KoBarrierAboveGridTop, RC::None, RC::None},
    {"knock-in above the grid", [](PricingRequest& r) { r.contract.ki_barrier[0] = 250; },
     RC::KiBarrierAboveGridTop, RC::None, RC::None},
    {"observation after maturity", [](PricingRequest& r) { r.contract.obs_times.back() = 1.01; },
     RC::ObservationAfterMaturity, RC::ObservationAfterMaturity, RC::ObservationAfterMaturity},
    {"observation before today", [](PricingRequest& r) { r.contract.obs_times[0] = -0.1; },
     RC::ObservationBeforeToday, RC::ObservationBeforeToday, RC::ObservationBeforeToday},
    {"two observations on one step",
     [](PricingRequest& r) {
         r.model.N = 12;
         r.contract.obs_times[1] = 0.085;  // next to 1/12: both round to column 1
     },
     RC::ObservationsShareStep, RC::None, RC::None},
    {"observations falling", [](PricingRequest& r) { std::swap(r.contract.obs_times[2], r.contract.obs_times[3]); },
     RC::ObservationsShareStep, RC::ObservationsNotRising, RC::ObservationsNotRising},
    {"observations equal", [](PricingRequest& r) { r.contract.obs_times[2] = r.contract.obs_times[1]; },
     RC::ObservationsShareStep, RC::ObservationsNotRising, RC::ObservationsNotRising},
    {"one path", [](PricingRequest& r) { r.monte_carlo.paths = 1; }, RC::None, RC::None, RC::Paths},
    {"negative threads", [](PricingRequest& r) { r.monte_carlo.threads = -1; }, RC::None, RC::None, RC::Threads},
    {"2000 threads", [](PricingRequest& r) { r.monte_carlo.threads = 2000; }, RC::None, RC::None, RC::Threads},
};

Refusal ruleFor(PricingRequest r, PricingMethod method)
{
    r.method = method;
    return pricing_refusal(r);
}

TEST(PricingRules, EachMethodRefusesWhatItCannotPrice)
{
    for (const RuleCase& c : kRules) {
        PricingRequest r = defaultRequest();
        c.change(r);
        const Refusal design = ruleFor(r, PricingMethod::DesignGrid);
        EXPECT_EQ(design.code, c.design) << c.name << ": " << design.reason;
        EXPECT_EQ(ruleFor(r, PricingMethod::Accurate).code, c.accurate) << c.name;
        EXPECT_EQ(ruleFor(r, PricingMethod::ReferenceMonteCarlo).code, c.monte_carlo) << c.name;
        // A refusal always says why, and only a refusal does.
        EXPECT_EQ(design.reason.empty(), c.design == RC::None) << c.name;
    }
    PricingRequest r = defaultRequest();
    r.contract.ko_barrier.resize(2);
    const Refusal count = pricing_refusal(r);
    EXPECT_EQ(count.count, 2u);
    EXPECT_EQ(count.expected, 12u);
}

TEST(PricingRules, TheSolversRefuseExactlyWhatTheRulesRefuse)
{
    LogCapture quiet;
    for (const RuleCase& c : kRules) {
        PricingRequest r = defaultRequest();
        c.change(r);
        const SolverResult grid = auto_call_finite_diff_implicit(r.contract, r.model);
        EXPECT_EQ(grid.ok(), c.design == RC::None) << c.name;
        EXPECT_EQ(std::isnan(grid.price), c.design != RC::None) << c.name;
        EXPECT_EQ(std::isnan(forward_pass_price(r.contract, r.model)), c.design != RC::None) << c.name;
        const ProbabilityProfile profile = probability_profile(r.contract, r.model);
        EXPECT_EQ(profile.ok(), c.design == RC::None) << c.name;
        EXPECT_EQ(profile.error.empty(), c.design == RC::None) << c.name;

        // A refusal says why and gives NaN, for the price, its estimate and the Greeks.
        const bool accurateRefused = c.accurate != RC::None;
        const AccurateSolution accurate = solve_accurate(r.contract, r.model, r.year_days);
        EXPECT_EQ(accurate.refusal.code, c.accurate) << c.name << ": " << accurate.error;
        EXPECT_EQ(accurate.ok(), !accurateRefused) << c.name;
        EXPECT_EQ(accurate.error.empty(), !accurateRefused) << c.name;
        EXPECT_EQ(std::isnan(accurate.value(100.0, false)), accurateRefused) << c.name;
        EXPECT_EQ(std::isnan(accurate.error_estimate(100.0, false)), accurateRefused) << c.name;
        EXPECT_EQ(probability_profile_accurate(r.contract, r.model, r.year_days).ok(), !accurateRefused) << c.name;
        const GreeksValuation g = greeks_accurate(r.contract, r.model, r.year_days, 100.0, false);
        EXPECT_EQ(g.error.empty(), !accurateRefused) << c.name;
        EXPECT_EQ(std::isnan(g.price) && std::isnan(g.delta) && std::isnan(g.vega), accurateRefused) << c.name;

        ReferenceMcSettings s;
        static_cast<MonteCarloSettings&>(s) = r.monte_carlo;
        const ReferenceMcResult mc = reference_monte_carlo(r.contract, r.model, r.year_days, s);
        EXPECT_EQ(mc.refusal.code, c.monte_carlo) << c.name << ": " << mc.error;
        EXPECT_EQ(mc.error.empty(), c.monte_carlo == RC::None) << c.name;
        EXPECT_EQ(std::isnan(mc.price), c.monte_carlo != RC::None) << c.name;
    }
    // A NaN dividend yield is priced as 0.
    PricingRequest r = defaultRequest(), zero = r;
    r.model.q = kNaN, zero.model.q = 0.0;
    EXPECT_EQ(solve_accurate(r.contract, r.model, 243).value(100.0, false),
              solve_accurate(zero.contract, zero.model, 243).value(100.0, false));
}

}  // namespace
