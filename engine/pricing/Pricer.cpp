#include "Pricer.h"

#include "AccuratePricer.h"
#include "AppLogger.h"
#include "AccurateProbabilityProfile.h"
#include "AutoCallSolver.h"
#include "ProbabilityProfile.h"
#include "ReferenceMonteCarlo.h"
#include "Refusal.h"
#include "RequestMarket.h"

#include <cmath>
#include <ctime>
#include <optional>
#include <string>

namespace {

// Years from inception to the valuation time of a lookup at remaining time
// tau, clamped as the grid lookups clamp their time column.
double elapsed_for(double tau, double T)
{
    if (!(tau >= 0.0) || tau > T)
        return 0.0;
    return T - tau;
}

// A figure that is no finite number is no answer.
void check_finite(Answer& a, const char* what, double value)
{
    if (a.ok() && !std::isfinite(value))
        a.fail(std::string("the ") + what + " is " + (std::isnan(value) ? "nan" : "infinite") +
               ", not a finite number: check the coupons and levels");
}

Refusal not_for_method(const char* what)
{
    return Refusal{RefusalCode::NotForMethod, std::string("the reference Monte Carlo gives no ") + what, 0, 0};
}

Valuation price_of(const PricingRequest& request);

// The market of a request that has one, or false with the answer refused: by
// the rule set (the design grid takes no market) or by the shift.
bool market_of(const PricingRequest& request, std::optional<MarketModel>& market, Answer& answer)
{
    if (!request.market)
        return true;
    Refusal why = pricing_refusal(request);
    if (!why) {
        RequestMarket m = request_market(request);
        why = m.refusal;
        market = std::move(m.market);
    }
    if (why)
        answer.refuse(why);
    return !why;
}

}  // namespace

// Every solver asks the rule set itself (the design grid after laying out
// its grid, as it always has), so none is asked here. The design grid logs
// its own refusals; the others' are logged here.
Valuation price(const PricingRequest& request)
{
    const Valuation v = price_of(request);
    if (std::isnan(v.value) && request.method != PricingMethod::DesignGrid)
        AppLogger::instance().log(AppLogger::Warn, "%s price refused: %s", method_name(request.method),
                                  v.error.c_str());
    return v;
}

namespace {

Valuation price_of(const PricingRequest& request)
{
    Valuation v;
    std::optional<MarketModel> market;
    if (!market_of(request, market, v))
        return v;
    switch (request.method) {
    case PricingMethod::DesignGrid: {
        const SolverResult run = auto_call_finite_diff_implicit(request.contract, request.model, GridOutput::PriceOnly,
                                                                StepMethod::Factored, request.progress);
        static_cast<Answer&>(v) = run;
        v.value = run.price;
        check_finite(v, "price", v.value);
        return v;
    }
    case PricingMethod::Accurate: {
        const AccurateSolution s =
            market ? solve_accurate(request.contract, *market, request.model.T, request.year_days, request.progress)
                   : solve_accurate(request.contract, request.model, request.year_days, request.progress);
        static_cast<Answer&>(v) = s;
        if (!s.ok())
            return v;
        v.value = s.value(request.model.S0, false);
        v.error_estimate = s.error_estimate(request.model.S0, false);
        check_finite(v, "price", v.value);
        check_finite(v, "price's error estimate", *v.error_estimate);
        return v;
    }
    case PricingMethod::ReferenceMonteCarlo: {
        const ReferenceMcResult r = reference_monte_carlo(request, false);
        static_cast<Answer&>(v) = r;
        if (!r.ok())
            return v;
        v.value = r.price;
        v.error_estimate = r.standard_error;
        check_finite(v, "price", v.value);
        check_finite(v, "standard error", r.standard_error);
        return v;
    }
    }
    v.fail("unknown pricing method");
    return v;
}

}  // namespace

GreekSheet GreekSheet::compute(const PricingRequest& request)
{
    GreekSheet sheet;
    sheet.request_ = request;
    sheet.request_.progress = ProgressHook();
    const Refusal why = request.method == PricingMethod::ReferenceMonteCarlo ? not_for_method("Greeks")
                                                                              : pricing_refusal(request);
    if (why) {
        sheet.status_.refuse(why);
        return sheet;
    }
    std::optional<MarketModel> market;
    if (!market_of(request, market, sheet.status_))
        return sheet;
    if (market)
        sheet.market_ = std::make_shared<const MarketModel>(std::move(*market));
    if (request.method == PricingMethod::DesignGrid) {
        // The three runs are most of the work; the Greek grids over the whole
        // grid come last and can take seconds on a large one.
        const double bump = 0.01, scale = 100.0, runsShare = 0.9;
        GreekRuns runs = greek_runs(request.contract, request.model, bump, bump,
                                    progress_part(request.progress, 0.0, runsShare));
        for (const SolverResult* run : {&runs.base, &runs.vol_up, &runs.rate_up}) {
            if (!run->ok()) {
                sheet.status_ = *run;
                if (sheet.status_.ok())  // a run after a failed one never ran
                    sheet.status_.fail("a grid run of the Greeks failed");
                return sheet;
            }
        }
        auto grids = std::make_shared<GreekGrids>();
        const std::time_t before = std::time(nullptr);
        const Outcome built =
            grids->build(runs, request.model, scale, scale, progress_part(request.progress, runsShare, 1.0 - runsShare));
        if (built == Outcome::Cancelled) {
            sheet.status_.cancel();
            return sheet;
        }
        if (built != Outcome::Ok) {
            sheet.status_.fail("the Greek grids cannot be built (memory or the matrix library)");
            return sheet;
        }
        AppLogger::instance().log(AppLogger::Info, "create_Greeks uses %d seconds.",
                                  static_cast<int>(std::time(nullptr) - before));
        sheet.grids_ = grids;
    }
    sheet.status_.outcome = Outcome::Ok;
    return sheet;
}

GreeksValuation GreekSheet::at(const LookupPoint& point, const ProgressHook& progress) const
{
    GreeksValuation g;
    if (!status_.ok()) {
        static_cast<Answer&>(g) = status_;
        return g;
    }
    if (grids_)
        return grids_->at(point);
    const PDEParams& m = request_.model;
    if (market_)
        return greeks_accurate_at(request_.contract, *market_, m.T, request_.year_days, point.spot,
                                  elapsed_for(point.tau, m.T), point.knocked_in, progress);
    return greeks_accurate_at(request_.contract, m, request_.year_days, point.spot, elapsed_for(point.tau, m.T),
                              point.knocked_in, progress);
}

const NEWMAT::Matrix* GreekSheet::price_grid(bool knocked_in) const
{
    return grids_ ? &grids_->price_grid(knocked_in) : nullptr;
}

GreeksValuation greeks(const PricingRequest& request, const LookupPoint& point)
{
    // The design grid's runs are most of the work; the accurate lookup is all of it.
    const bool grid = request.method == PricingMethod::DesignGrid;
    PricingRequest first = request;
    first.progress = grid ? progress_part(request.progress, 0.0, 0.99) : ProgressHook();
    const GreekSheet sheet = GreekSheet::compute(first);
    return sheet.at(point, grid ? ProgressHook() : request.progress);
}

ProbabilityProfile probabilities(const PricingRequest& request, bool knocked_in)
{
    ProbabilityProfile p;
    std::optional<MarketModel> market;
    if (!market_of(request, market, p))
        return p;
    switch (request.method) {
    case PricingMethod::DesignGrid:
        return probability_profile(request.contract, request.model, request.progress);
    case PricingMethod::Accurate:
        if (market)
            return probability_profile_accurate(request.contract, *market, request.model.T, request.year_days,
                                                knocked_in, request.progress);
        return probability_profile_accurate(request.contract, request.model, request.year_days, knocked_in,
                                            request.progress);
    case PricingMethod::ReferenceMonteCarlo: {
        const ReferenceMcResult r = reference_monte_carlo(request, knocked_in);
        static_cast<Answer&>(p) = r;
        if (!r.ok())
            return p;
        for (const McEstimate& e : r.ko_probability) {
            p.ko_probability.push_back(e.mean);
            p.ko_error.push_back(e.standard_error);
        }
        p.maturity_probability = r.maturity_probability.mean, p.maturity_error = r.maturity_probability.standard_error;
        p.ki_probability = r.ki_probability.mean, p.ki_error = r.ki_probability.standard_error;
        p.loss_probability = r.loss_probability.mean, p.loss_error = r.loss_probability.standard_error;
        p.expected_life = r.expected_life.mean, p.life_error = r.expected_life.standard_error;
        return p;
    }
    }
    p.fail("unknown pricing method");
    return p;
}

ValueGridsAnswer value_grids(const PricingRequest& request)
{
    ValueGridsAnswer out;
    if (request.method != PricingMethod::DesignGrid) {
        out.refuse(Refusal{RefusalCode::NotForMethod, std::string("the ") + method_name(request.method) +
                                                          " keeps no value grids (only the design grid does)",
                           0, 0});
        return out;
    }
    SolverResult run = auto_call_finite_diff_implicit(request.contract, request.model, GridOutput::ValueGrids,
                                                      StepMethod::Factored, request.progress);
    static_cast<Answer&>(out) = run;
    out.value = run.price;
    out.dS = run.dS;
    out.dt = run.dt;
    // Release() hands the storage over instead of copying the grid.
    run.price_grid.Release();
    out.price_grid = run.price_grid;
    run.price_ki_grid.Release();
    out.price_ki_grid = run.price_ki_grid;
    check_finite(out, "price", out.value);
    return out;
}
