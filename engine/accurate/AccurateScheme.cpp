#include "AccurateScheme.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <string>

namespace {

// Far-field top of the grid in standard deviations of log price.
const double kTopDeviations = 7.0;

// The crowding's narrowest width, relative to the spot; a distribution
// narrower than this (sigma sqrt(T) below it) may need more cells.
const double kNarrowDeviation = 0.02;

// At most this many times the cells for a very low volatility (see below).
const int kMostCellsFactor = 16;

// Whether the coarse level of the grid has central drift differences
// (cell h <= sigma^2 S / |r - q|) and two cells per standard deviation
// (h <= sigma S sqrt(T) / 2) over the prices the structure reaches with
// some probability: 4 standard deviations around the path of the forward.
bool resolves_low_volatility(const StretchedGrid& grid, const PDEParams& model)
{
    const double sd = model.sigma * std::sqrt(model.T);
    const double mu = model.r - (std::isnan(model.q) ? 0.0 : model.q);
    const double drift = mu * model.T;
    const double lo = model.S0 * std::exp(std::min(drift, 0.0) - 4.0 * sd);
    const double hi = model.S0 * std::exp(std::max(drift, 0.0) + 4.0 * sd);
    const std::vector<double> S = grid.nodes(0);
    for (std::size_t i = 1; i < S.size(); ++i) {
        if (S[i] < lo || S[i - 1] > hi)
            continue;
        const double h = S[i] - S[i - 1], at = S[i - 1];
        if (std::fabs(mu) * h > model.sigma * model.sigma * at || h > 0.5 * sd * at)
            return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<StretchedGrid> accurate_price_grid(const SnowballContract& contract, const PDEParams& model,
                                                   int base_cells, double reach)
{
    const double sd = model.sigma * std::sqrt(model.T);
    double highest = model.S0;
    for (double b : contract.ko_barrier)
        highest = std::max(highest, b);
    for (double b : contract.ki_barrier)
        highest = std::max(highest, b);
    highest = std::max({highest, contract.floor_price, contract.call_strike});
    const double mu = model.r - (std::isnan(model.q) ? 0.0 : model.q);
    double top = std::max(model.S0 * std::exp(mu * model.T + kTopDeviations * sd), 1.5 * highest);
    // A stress axis may ask for spots above it: the top leaves them the same
    // room as it leaves the barriers.
    if (std::isfinite(reach) && reach > top)
        top = 1.5 * reach;

    // Nodes crowd where the value bends fastest: the knock-in barriers
    // (a jump every close, smoothed over one day only), then the spot and
    // the knock-out barriers (jumps a month's diffusion apart).
    std::vector<StretchedGrid::Centre> centres;
    std::vector<double> anchors;
    const std::set<double> ki(contract.ki_barrier.begin(), contract.ki_barrier.end());
    const std::set<double> ko(contract.ko_barrier.begin(), contract.ko_barrier.end());
    const double width = model.S0 * std::max(kNarrowDeviation, 0.15 * std::min(sd, 1.0));
    for (double b : ki)
        if (b > 0.0)
            centres.push_back({b, width, 24.0 / ki.size()}), anchors.push_back(b);
    for (double b : ko)
        if (b > 0.0)
            centres.push_back({b, width, 8.0 / ko.size()}), anchors.push_back(b);
    centres.push_back({model.S0, width, 8.0});
    anchors.push_back(model.S0);
    auto grid = std::unique_ptr<StretchedGrid>(new StretchedGrid(top, model.S0, centres, anchors, base_cells));
    // At a very low volatility the drift outruns the diffusion between two
    // nodes of the usual grid: the operator then differences the drift
    // upwind (first order, with a numerical diffusion that halves with the
    // cell), the levels stop converging as Richardson assumes and the figures
    // leave the range of probabilities. There the cells double until the
    // coarse level differences centrally, and resolves the distribution with
    // two cells or more per standard deviation, wherever the price goes with
    // some probability. Only where the crowding's width is at its floor
    // (sigma sqrt(T) below kNarrowDeviation): the usual grid stays as it is
    // at ordinary volatilities and maturities.
    for (int factor = 2; sd < kNarrowDeviation && factor <= kMostCellsFactor && !grid->empty() &&
                         !resolves_low_volatility(*grid, model);
         factor *= 2)
        grid.reset(new StretchedGrid(top, model.S0, centres, anchors, base_cells * factor));
    return grid;
}

PriceOperator accurate_price_operator(const std::vector<double>& S, double sigma, double drift, double discount_rate)
{
    return accurate_price_operator(S, std::vector<double>(S.size(), sigma * sigma), drift, discount_rate);
}

PriceOperator accurate_price_operator(const std::vector<double>& S, const std::vector<double>& variance, double drift,
                                      double discount_rate)
{
    const std::size_t M = S.size() - 1;
    const double mu = drift;
    PriceOperator op;
    std::vector<double>&l = op.l, &d = op.d, &u = op.u;
    l.assign(M, 0.0), d.assign(M, -discount_rate), u.assign(M, 0.0);
    for (std::size_t i = 1; i < M; ++i) {
        const double hm = S[i] - S[i - 1], hp = S[i + 1] - S[i];
        const double diffusion = 0.5 * variance[i] * S[i] * S[i], convection = mu * S[i];
        double li = diffusion * 2.0 / (hm * (hm + hp)) - convection * hp / (hm * (hm + hp));
        double ui = diffusion * 2.0 / (hp * (hm + hp)) + convection * hm / (hp * (hm + hp));
        double di = -diffusion * 2.0 / (hm * hp) + convection * (hp - hm) / (hm * hp);
        if (li < 0.0 || ui < 0.0) {
            li = diffusion * 2.0 / (hm * (hm + hp)) + (convection < 0.0 ? -convection / hm : 0.0);
            ui = diffusion * 2.0 / (hp * (hm + hp)) + (convection > 0.0 ? convection / hp : 0.0);
            di = -diffusion * 2.0 / (hm * hp) - std::fabs(convection) * (convection > 0.0 ? 1.0 / hp : 1.0 / hm);
        }
        l[i] = li, d[i] = di - discount_rate, u[i] = ui;
    }
    return op;
}

long accurate_interval_steps(double length, int year_days, int steps_per_day, int time_level, bool from_today)
{
    const double day = 1.0 / year_days;
    const long coarse = std::max(1L, static_cast<long>(std::ceil(length / day * steps_per_day - 1e-6)));
    // The interval from today to the next moment gets kTodaySubsteps times as
    // many: the jump that moment leaves has only this interval to diffuse, and
    // the stiff modes Crank-Nicolson barely damps would ripple node to node in
    // today's Gamma near the barriers (the implicit steps after each later
    // moment damp those of earlier jumps).
    const long kTodaySubsteps = 4;
    return (coarse << time_level) * (from_today ? kTodaySubsteps : 1);
}

TridiagonalOperator implicit_system(const PriceOperator& op, double theta_dt)
{
    const std::size_t M = op.d.size();
    std::vector<double> a(M), b(M), c(M);
    for (std::size_t i = 0; i < M; ++i)
        a[i] = -theta_dt * op.l[i], b[i] = 1.0 - theta_dt * op.d[i], c[i] = -theta_dt * op.u[i];
    return TridiagonalOperator(std::move(a), std::move(b), std::move(c));
}

const TridiagonalOperator& ImplicitSystems::for_step(double theta_dt)
{
    for (const auto& f : factored_)
        if (f.first == theta_dt)
            return f.second;
    factored_.emplace_back(theta_dt, implicit_system(op_, theta_dt));
    if (!factored_.back().second.factor())
        throw std::runtime_error("the price operator cannot be factored");
    return factored_.back().second;
}

std::vector<SchemeStep> accurate_interval_plan(double t_lo, double t_hi, long n, int time_level)
{
    const double dt = (t_hi - t_lo) / n;
    const long coarse = std::max(1L, n >> time_level), per_coarse = std::max(1L, n / coarse);
    const double coarse_dt = (t_hi - t_lo) / coarse;
    // Cell k of this level (counted back from t_hi) lies in coarse step k / per_coarse.
    auto held = [&](double theta, double length, double a, double b, long cell) {
        const long j = std::min(cell / per_coarse, coarse - 1);
        const double hold_b = t_hi - j * coarse_dt, hold_a = t_hi - (j + 1) * coarse_dt;
        return SchemeStep{theta, length, a, b, t_hi - (j + 0.5) * coarse_dt, hold_a, hold_b};
    };
    std::vector<SchemeStep> plan;
    plan.reserve(static_cast<std::size_t>(n) + 1);
    double b = t_hi;
    for (int h = 0; h < 2; ++h) {
        const double a = t_hi - (h + 1) * 0.5 * dt;
        plan.push_back(held(1.0, 0.5 * dt, a, b, 0));
        b = a;
    }
    for (long k = 1; k < n; ++k) {
        const double a = t_hi - (k + 1) * dt;
        plan.push_back(held(0.5, dt, a, b, k));
        b = a;
    }
    return plan;
}

void HeldVariance::at(double t, int stride, std::vector<double>& variance)
{
    auto found = table_.find(t);
    if (found == table_.end()) {
        std::vector<double> sigma;
        volatility_.sigma_or_throw(t, S_, sigma);
        for (double& s : sigma)
            s *= s;
        found = table_.emplace(t, std::move(sigma)).first;
    }
    const std::vector<double>& fine = found->second;
    const std::size_t step = static_cast<std::size_t>(std::max(stride, 1));
    variance.resize((fine.size() - 1) / step + 1);
    for (std::size_t i = 0; i < variance.size(); ++i)
        variance[i] = fine[i * step];
}

StepOperators::StepOperators(const std::vector<double>& S, double sigma, double drift, double discount_rate) : S_(S)
{
    pieces_.emplace_back(new Piece(accurate_price_operator(S, sigma, drift, discount_rate)));
}

StepOperators::StepOperators(const std::vector<double>& S, const MarketModel& market, double T, bool discounting,
                             HeldVariance* held, int stride)
    : S_(S), market_(&market), T_(T), discounting_(discounting), breaks_(market.time_breaks(T)),
      held_(market.coefficients_piecewise_constant() ? nullptr : held), stride_(stride)
{
    pieces_.resize(breaks_.size() + 1);
}

PriceOperator StepOperators::averaged_operator(double a, double b, double hold) const
{
    const double length = b - a;
    const double r = length > 0.0 ? market_->rates().integral(a, b) / length : market_->rates().forward(b);
    const double q = length > 0.0 ? market_->dividends().integral(a, b) / length : market_->dividends().forward(b);
    // sigma^2 weighted by time over the pieces the step spans, each taken at
    // its middle (exact for piecewise-constant inputs, second order else).
    if (!std::isnan(hold)) {
        std::vector<double> variance;
        held_->at(hold, stride_, variance);
        return accurate_price_operator(S_, variance, r - q, discounting_ ? r : 0.0);
    }
    std::vector<double> points{a};
    if (market_->coefficients_piecewise_constant())
        for (double t : breaks_)
            if (t > a && t < b)
                points.push_back(t);
    points.push_back(b);
    std::vector<double> variance(S_.size(), 0.0), sigma;
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        const double w = length > 0.0 ? (points[k + 1] - points[k]) / length : 1.0;
        market_->local_volatility().sigma_or_throw(0.5 * (points[k] + points[k + 1]), S_, sigma);
        for (std::size_t i = 0; i < S_.size(); ++i)
            variance[i] += w * sigma[i] * sigma[i];
    }
    return accurate_price_operator(S_, variance, r - q, discounting_ ? r : 0.0);
}

StepOperators::Step StepOperators::for_step(const SchemeStep& step)
{
    const double theta_dt = step.theta * step.dt;
    if (!market_)
        return {pieces_[0]->op, pieces_[0]->systems.for_step(theta_dt)};
    if (market_->coefficients_piecewise_constant()) {
        // Piece j runs over (breaks_[j-1], breaks_[j]]; a step whose ends
        // meet breaks up to rounding lies within one.
        const double same = 1e-12 * std::max(1.0, T_);
        const std::size_t j =
            static_cast<std::size_t>(std::lower_bound(breaks_.begin(), breaks_.end(), step.b - same) - breaks_.begin());
        if (j == 0 || step.a >= breaks_[j - 1] - same) {
            if (!pieces_[j]) {
                const double from = j == 0 ? 0.0 : breaks_[j - 1];
                const double to = j < breaks_.size() ? breaks_[j] : T_;  // the last piece ends at maturity
                const double mid = 0.5 * (from + to);
                pieces_[j].reset(new Piece(averaged_operator(mid, mid)));
            }
            return {pieces_[j]->op, pieces_[j]->systems.for_step(theta_dt)};
        }
    }
    if (held_) {
        // One operator for the steps within a coarse step, unless r or q
        // jumps inside it: then each step takes its own averages.
        const double same = 1e-12 * std::max(1.0, T_);
        const bool jump = std::any_of(breaks_.begin(), breaks_.end(), [&](double t) {
            return t > step.hold_a + same && t < step.hold_b - same;
        });
        if (!jump) {
            if (!held_piece_ || held_time_ != step.hold) {
                held_piece_.reset(new Piece(averaged_operator(step.hold_a, step.hold_b, step.hold)));
                held_time_ = step.hold;
            }
            return {held_piece_->op, held_piece_->systems.for_step(theta_dt)};
        }
        one_off_.reset(new Piece(averaged_operator(step.a, step.b, step.hold)));
        return {one_off_->op, one_off_->systems.for_step(theta_dt)};
    }
    one_off_.reset(new Piece(averaged_operator(step.a, step.b)));
    return {one_off_->op, one_off_->systems.for_step(theta_dt)};
}

PDEParams accurate_grid_params(const MarketModel& market, double grid_spot, double start, double T)
{
    PDEParams p;
    p.S0 = grid_spot;
    p.T = T - start;
    p.r = market.rates().integral(start, T) / p.T;
    p.q = market.dividends().integral(start, T) / p.T;
    // The level near the spot: the crowding's width follows it, and the top
    // lies 7 of its standard deviations up, far beyond the reach of a skew's
    // lower upside volatilities. (The largest over a wide range would widen
    // the crowding at the barriers by the far downside's volatility.)
    p.sigma = market.volatility_level(T, 0.8 * grid_spot, 1.25 * grid_spot);
    return p;
}

BarrierWeights accurate_barrier_weights(const std::vector<double>& S, const SnowballContract& contract)
{
    const std::size_t obs = contract.obs_times.size();
    BarrierWeights w;
    w.ki.resize(obs);
    w.ko.resize(obs);
    for (std::size_t k = 0; k < obs; ++k) {
        w.ki[k] = cell_weights(S, contract.ki_barrier[k], true);
        w.ko[k] = cell_weights(S, contract.ko_barrier[k], false);
    }
    return w;
}
