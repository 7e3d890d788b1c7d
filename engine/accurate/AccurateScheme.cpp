#include "AccurateScheme.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <string>

namespace {

// Far-field top of the grid in standard deviations of log price.
const double kTopDeviations = 7.0;

}  // namespace

std::unique_ptr<StretchedGrid> accurate_price_grid(const SnowballContract& contract, const PDEParams& model,
                                                   int base_cells)
{
    const double sd = model.sigma * std::sqrt(model.T);
    double highest = model.S0;
    for (double b : contract.ko_barrier)
        highest = std::max(highest, b);
    for (double b : contract.ki_barrier)
        highest = std::max(highest, b);
    highest = std::max({highest, contract.floor_price, contract.call_strike});
    const double mu = model.r - (std::isnan(model.q) ? 0.0 : model.q);
    const double top = std::max(model.S0 * std::exp(mu * model.T + kTopDeviations * sd), 1.5 * highest);

    // Nodes crowd where the value bends fastest: the knock-in barriers
    // (a jump every close, smoothed over one day only), then the spot and
    // the knock-out barriers (jumps a month's diffusion apart).
    std::vector<StretchedGrid::Centre> centres;
    std::vector<double> anchors;
    const std::set<double> ki(contract.ki_barrier.begin(), contract.ki_barrier.end());
    const std::set<double> ko(contract.ko_barrier.begin(), contract.ko_barrier.end());
    const double width = model.S0 * std::max(0.02, 0.15 * std::min(sd, 1.0));
    for (double b : ki)
        if (b > 0.0)
            centres.push_back({b, width, 24.0 / ki.size()}), anchors.push_back(b);
    for (double b : ko)
        if (b > 0.0)
            centres.push_back({b, width, 8.0 / ko.size()}), anchors.push_back(b);
    centres.push_back({model.S0, width, 8.0});
    anchors.push_back(model.S0);
    return std::unique_ptr<StretchedGrid>(new StretchedGrid(top, model.S0, centres, anchors, base_cells));
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

std::vector<SchemeStep> accurate_interval_plan(double t_lo, double t_hi, long n)
{
    const double dt = (t_hi - t_lo) / n;
    std::vector<SchemeStep> plan;
    plan.reserve(static_cast<std::size_t>(n) + 1);
    double b = t_hi;
    for (int h = 0; h < 2; ++h) {
        const double a = t_hi - (h + 1) * 0.5 * dt;
        plan.push_back({1.0, 0.5 * dt, a, b});
        b = a;
    }
    for (long k = 1; k < n; ++k) {
        const double a = t_hi - (k + 1) * dt;
        plan.push_back({0.5, dt, a, b});
        b = a;
    }
    return plan;
}

StepOperators::StepOperators(const std::vector<double>& S, double sigma, double drift, double discount_rate) : S_(S)
{
    pieces_.emplace_back(new Piece(accurate_price_operator(S, sigma, drift, discount_rate)));
}

StepOperators::StepOperators(const std::vector<double>& S, const MarketModel& market, double T, bool discounting)
    : S_(S), market_(&market), T_(T), discounting_(discounting), breaks_(market.time_breaks(T))
{
    pieces_.resize(breaks_.size() + 1);
}

PriceOperator StepOperators::averaged_operator(double a, double b) const
{
    const double length = b - a;
    const double r = length > 0.0 ? market_->rates().integral(a, b) / length : market_->rates().forward(b);
    const double q = length > 0.0 ? market_->dividends().integral(a, b) / length : market_->dividends().forward(b);
    // sigma^2 weighted by time over the pieces the step spans, each taken at
    // its middle (exact for piecewise-constant inputs, second order else).
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
                const double to = j < breaks_.size() ? breaks_[j] : from + 1.0;
                const double mid = 0.5 * (from + to);
                pieces_[j].reset(new Piece(averaged_operator(mid, mid)));
            }
            return {pieces_[j]->op, pieces_[j]->systems.for_step(theta_dt)};
        }
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
