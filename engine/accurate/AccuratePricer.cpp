#include "AccuratePricer.h"

#include "AccurateScheme.h"
#include "Refusal.h"
#include "TridiagonalOperator.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// What the contract pays, in continuous price (the grid solver's payouts
// with the strike, barriers and coupon times unrounded).
class Payouts
{
public:
    // market: discount and the participation's forward on its curves
    // instead of the flat r and q.
    Payouts(const SnowballContract& c, const PDEParams& m, const MarketModel* market = nullptr)
        : c_(c), market_(market), S0_(m.S0), r_(m.r), q_(m.q), T_(m.T), principal_(c.option_form() ? m.S0 : 0.0)
    {
    }

    double principal() const { return principal_; }
    // The last observation is settled at maturity, whatever its date.
    double obs_time(int k) const { return k + 1 == static_cast<int>(c_.obs_times.size()) ? T_ : c_.obs_times[k]; }
    double coupon(int k) const
    {
        const double t = obs_time(k);
        return c_.option_form() ? S0_ * c_.ko_coupon[k] * t : S0_ * (1.0 + c_.ko_coupon[k] * t);
    }
    double participation(double S) const
    {
        return c_.has_participation() ? std::max(S - c_.call_strike, 0.0) * c_.call_participation : 0.0;
    }
    double participation_slope(double S) const
    {
        return c_.has_participation() && S > c_.call_strike ? c_.call_participation : 0.0;
    }
    double knock_out(int k, double S) const { return coupon(k) + participation(S); }
    double dividend() const
    {
        return c_.option_form() ? S0_ * c_.div_coupon * T_ : S0_ * (1.0 + c_.div_coupon * T_);
    }
    // Maturity payout at one price, exactly as the contract reads.
    double maturity(double S, bool knocked_in) const
    {
        const int last = static_cast<int>(c_.obs_times.size()) - 1;
        if (S >= c_.ko_barrier[last])
            return knock_out(last, S);
        if (c_.has_floor() && S <= c_.floor_price)
            return c_.floor_price - principal_;
        if (!knocked_in && S > c_.ki_barrier[last])
            return dividend();
        return S - principal_;
    }
    // Value far above every barrier at time t: the structure knocks out at
    // the next observation for sure.
    double far_above(double S, double t, int next_obs) const
    {
        if (market_) {
            const double paid = obs_time(next_obs), discount = market_->rates().discount(t, paid);
            double v = discount * coupon(next_obs);
            if (c_.has_participation())
                v += c_.call_participation *
                     (S * market_->dividends().discount(t, paid) - c_.call_strike * discount);
            return v;
        }
        const double tau = obs_time(next_obs) - t;
        double v = std::exp(-r_ * tau) * coupon(next_obs);
        if (c_.has_participation())
            v += c_.call_participation * (S * std::exp(-q_ * tau) - c_.call_strike * std::exp(-r_ * tau));
        return v;
    }

private:
    const SnowballContract& c_;
    const MarketModel* market_;
    double S0_, r_, q_, T_, principal_;
};

// Which value a monitoring moment leaves at one price.
enum class Source { Continuation, KnockedIn, KnockOut, Maturity };

Source source_at(const SnowballContract& c, const MonitoringEvent& e, double S, bool knocked_in)
{
    if (e.maturity)
        return Source::Maturity;
    if (e.ko_obs >= 0 && S >= c.ko_barrier[e.ko_obs])
        return Source::KnockOut;
    if (!knocked_in && e.ki_period >= 0 && S <= c.ki_barrier[e.ki_period])
        return Source::KnockedIn;
    return Source::Continuation;
}

// 4-point Lagrange interpolation of node values (cubic, exact at nodes).
double interpolate(const std::vector<double>& S, const std::vector<double>& v, double x)
{
    const std::size_t n = S.size();
    if (!(x >= S.front() && x <= S.back()) || n < 4)
        return kNaN;
    std::size_t i = static_cast<std::size_t>(std::upper_bound(S.begin(), S.end(), x) - S.begin());
    i = i == 0 ? 0 : i - 1;  // S[i] <= x
    std::size_t first = i == 0 ? 0 : i - 1;
    first = std::min(first, n - 4);
    double sum = 0.0;
    for (std::size_t a = first; a < first + 4; ++a) {
        double w = 1.0;
        for (std::size_t b = first; b < first + 4; ++b)
            if (b != a)
                w *= (x - S[b]) / (S[a] - S[b]);
        sum += w * v[a];
    }
    return sum;
}

// First and second derivatives by node (three-point, second order on a
// smooth nonuniform grid; one-sided at the ends).
void node_derivatives(const std::vector<double>& S, const std::vector<double>& v, std::vector<double>& d1,
                      std::vector<double>& d2)
{
    const std::size_t n = S.size();
    d1.assign(n, 0.0);
    d2.assign(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double hm = S[i] - S[i - 1], hp = S[i + 1] - S[i];
        d1[i] = (-hp / (hm * (hm + hp))) * v[i - 1] + ((hp - hm) / (hm * hp)) * v[i] +
                (hm / (hp * (hm + hp))) * v[i + 1];
        d2[i] = 2.0 * (v[i - 1] / (hm * (hm + hp)) - v[i] / (hm * hp) + v[i + 1] / (hp * (hm + hp)));
    }
    d1[0] = (v[1] - v[0]) / (S[1] - S[0]);
    d1[n - 1] = (v[n - 1] - v[n - 2]) / (S[n - 1] - S[n - 2]);
    d2[0] = d2[1];
    d2[n - 1] = d2[n - 2];
}

}  // namespace

// The model of one solve: the flat parameters, or a market model (then
// params holds its spot, maturity and first-piece numbers).
struct AccurateModel
{
    PDEParams params;
    std::optional<MarketModel> market;

    explicit AccurateModel(const PDEParams& p) : params(p) {}
    AccurateModel(const MarketModel& m, double T) : params(m.flat_params(T)), market(m) {}
    const MarketModel* market_or_null() const { return market ? &*market : nullptr; }
};

// One structure on one stretched grid: builds the grid from the base model
// and solves any model (the bumped ones of the Greeks too) on it.
class AccurateSolver
{
public:
    AccurateSolver(const SnowballContract& contract, const AccurateModel& base, int year_days,
                   const AccurateResolution& resolution, const AccurateValuation& valuation = AccurateValuation())
        : contract_(contract), year_days_(year_days), steps_per_day_(resolution.steps_per_day)
    {
        const PDEParams& model = base.params;
        const Refusal why = pricing_refusal(contract, model, year_days, PricingMethod::Accurate);
        if (why) {
            status_.refuse(why);
            return;
        }
        if (resolution.base_cells < 8 || resolution.base_cells > 1000000 || resolution.steps_per_day < 1 ||
            resolution.steps_per_day > 10000) {
            status_.fail("resolution out of range");
            return;
        }
        if (!(std::isfinite(valuation.elapsed) && valuation.elapsed >= 0.0) ||
            !(std::isnan(valuation.grid_spot) || (std::isfinite(valuation.grid_spot) && valuation.grid_spot > 0.0))) {
            status_.fail("the valuation time and the grid's spot must be non-negative numbers");
            return;
        }
        std::string error;
        if (!build_monitoring_schedule(contract, model.T, year_days, valuation.elapsed, events_, error)) {
            status_.fail(error);
            return;
        }
        // The grid spreads over the time left and crowds at the spot asked for.
        PDEParams around = model;
        if (!std::isnan(valuation.grid_spot))
            around.S0 = valuation.grid_spot;
        around.T = model.T - valuation.elapsed;
        if (base.market)
            around = accurate_grid_params(*base.market, around.S0, valuation.elapsed, model.T);
        grid_ = accurate_price_grid(contract, around, resolution.base_cells, valuation.reach);
        if (!grid_ || grid_->empty())
            status_.fail("the price grid cannot be built");
        else
            status_.outcome = Outcome::Ok;
    }

    const Answer& status() const { return status_; }

    AccurateSolution solve(const AccurateModel& priced, const ProgressHook& progress) const
    {
        const PDEParams& model = priced.params;
        AccurateSolution s;
        static_cast<Answer&>(s) = status_;
        if (!s.ok())
            return s;
        s.contract_ = contract_;
        s.S0_ = model.S0;
        s.r_ = model.r;
        s.q_ = std::isnan(model.q) ? 0.0 : model.q;
        s.T_ = model.T;
        s.today_ = events_.front();
        s.next_ = events_[1];
        PDEParams m = model;
        m.q = s.q_;
        // Coarse, fine (both steps halved) and coarse in price with the fine
        // time steps (for the error estimate); shares of the work 1 : 8 : 2.
        const int space[3] = {0, 1, 0}, time[3] = {0, 1, 1};
        const double start[3] = {0.0, 1.0 / 11.0, 9.0 / 11.0}, share[3] = {1.0 / 11.0, 8.0 / 11.0, 2.0 / 11.0};
        std::unique_ptr<HeldVariance> held;
        if (priced.market)
            held.reset(new HeldVariance(priced.market->local_volatility(), grid_->nodes(1)));
        for (int level = 0; level < 3; ++level) {
            if (!solve_level(m, priced.market_or_null(), held.get(), space[level], time[level],
                             progress_part(progress, start[level], share[level]), s.levels_[level])) {
                s.cancel();
                return s;
            }
        }
        return s;
    }

private:
    bool solve_level(const PDEParams& m, const MarketModel* market, HeldVariance* held, int space_level,
                     int time_level, const ProgressHook& progress, AccurateSolution::Level& out) const
    {
        const Payouts pay(contract_, m, market);
        const std::vector<double> S = grid_->nodes(space_level);
        const std::size_t M = S.size() - 1;  // node M is the far-field boundary
        const double p = pay.principal();

        // The pricing operator L on nodes 0..M-1, one for every step of a
        // flat model, changing with time in a market model.
        StepOperators operators = market ? StepOperators(S, *market, m.T, true, held, space_level == 0 ? 2 : 1)
                                         : StepOperators(S, m.sigma, m.r - m.q, m.r);

        // Cell weights of every barrier the events use.
        const std::size_t obs = contract_.obs_times.size();
        const BarrierWeights weights = accurate_barrier_weights(S, contract_);
        const std::vector<std::vector<double>>&ki_w = weights.ki, &ko_w = weights.ko;

        // Maturity: knock-out, then floor, then knock-in against the
        // dividend coupon, each overriding the ones before it.
        std::vector<double> nki(M + 1), ki(M + 1);
        {
            const std::size_t last = obs - 1;
            const std::vector<double> floor_w =
                contract_.has_floor() ? cell_weights(S, contract_.floor_price, true) : std::vector<double>(M + 1, 0.0);
            const double div = pay.dividend();
            for (std::size_t i = 0; i <= M; ++i) {
                const double under = S[i] - p, floor = contract_.floor_price - p;
                const double ko_pay = pay.knock_out(static_cast<int>(last), S[i]);
                double a = div + ki_w[last][i] * (under - div);
                double b = under;
                a += floor_w[i] * (floor - a);
                b += floor_w[i] * (floor - b);
                nki[i] = a + ko_w[last][i] * (ko_pay - a);
                ki[i] = b + ko_w[last][i] * (ko_pay - b);
            }
        }

        std::vector<double> rhs1(M), rhs2(M);
        long steps = 0;
        // One step of the theta scheme back by dt, g_new the boundary value
        // it arrives at: (I - theta dt L) V' = (I + (1-theta) dt L) V.
        auto step = [&](const SchemeStep& st, double g_new) {
            const StepOperators::Step ops = operators.for_step(st);
            const TridiagonalOperator& sys = ops.system;
            const std::vector<double>&l = ops.op.l, &d = ops.op.d, &u = ops.op.u;
            const double e = (1.0 - st.theta) * st.dt;
            if (e > 0.0) {
                rhs1[0] = nki[0] + e * d[0] * nki[0];
                rhs2[0] = ki[0] + e * d[0] * ki[0];
                for (std::size_t i = 1; i < M; ++i) {
                    rhs1[i] = nki[i] + e * (l[i] * nki[i - 1] + d[i] * nki[i] + u[i] * nki[i + 1]);
                    rhs2[i] = ki[i] + e * (l[i] * ki[i - 1] + d[i] * ki[i] + u[i] * ki[i + 1]);
                }
            } else {
                std::copy(nki.begin(), nki.begin() + M, rhs1.begin());
                std::copy(ki.begin(), ki.begin() + M, rhs2.begin());
            }
            const double shift = sys.upper(M - 1) * g_new;  // the boundary node enters the last equation
            sys.solve_pair(rhs1.data(), rhs2.data(), nki.data(), ki.data(), 0.0, shift);
            nki[M] = ki[M] = g_new;
            ++steps;
        };

        const std::size_t E = events_.size();
        int next_obs = static_cast<int>(obs) - 1;
        for (std::size_t e = E - 1; e-- > 0;) {
            if (!progress(static_cast<double>(E - 1 - e) / static_cast<double>(E)))
                return false;
            const double t_hi = events_[e + 1].t, t_lo = events_[e].t;
            if (events_[e + 1].ko_obs >= 0 && !events_[e + 1].maturity)
                next_obs = events_[e + 1].ko_obs;
            const double length = t_hi - t_lo;
            if (length > 0.0) {
                // Steps of this interval on the coarse level; the fine level
                // has exactly twice as many, so the two stay nested.
                const long n = accurate_interval_steps(length, year_days_, steps_per_day_, time_level, e == 0);
                // Rannacher: two implicit half steps right after the monitoring moment.
                for (const SchemeStep& st : accurate_interval_plan(t_lo, t_hi, n, time_level))
                    step(st, pay.far_above(S[M], st.a, next_obs));
            }
            if (e == 1)
                out.nki_next = nki, out.ki_next = ki;
            if (e == 0)
                break;
            // The moment's checks: knock-in first, then knock-out overrides.
            const MonitoringEvent& ev = events_[e];
            if (ev.ki_period >= 0) {
                const std::vector<double>& w = ki_w[static_cast<std::size_t>(ev.ki_period)];
                for (std::size_t i = 0; i <= M && w[i] > 0.0; ++i)
                    nki[i] += w[i] * (ki[i] - nki[i]);
            }
            if (ev.ko_obs >= 0) {
                const std::vector<double>& w = ko_w[static_cast<std::size_t>(ev.ko_obs)];
                for (std::size_t i = M + 1; i-- > 0 && w[i] > 0.0;) {
                    const double v = pay.knock_out(ev.ko_obs, S[i]);
                    nki[i] += w[i] * (v - nki[i]);
                    ki[i] += w[i] * (v - ki[i]);
                }
            }
        }
        if (E == 2)
            out.nki_next = out.ki_next = std::vector<double>(M + 1, 0.0);  // next moment is maturity: read pointwise
        out.S = S;
        out.nki = nki;
        out.ki = ki;
        out.time_steps = steps;
        node_derivatives(S, nki, out.nki_delta, out.nki_gamma);
        node_derivatives(S, ki, out.ki_delta, out.ki_gamma);
        return progress(1.0);
    }

    SnowballContract contract_;
    int year_days_;
    int steps_per_day_;
    Answer status_;
    std::vector<MonitoringEvent> events_;
    std::unique_ptr<StretchedGrid> grid_;
};

PDEParams AccurateSolution::model() const
{
    PDEParams p;
    p.S0 = S0_, p.r = r_, p.q = q_, p.T = T_;
    return p;
}

double AccurateSolution::level_value(int level, double S, bool knocked_in) const
{
    const Level& L = levels_[level];
    const PDEParams m = model();
    switch (source_at(contract_, today_, S, knocked_in)) {
    case Source::KnockOut:
        return Payouts(contract_, m).knock_out(today_.ko_obs, S);
    case Source::KnockedIn:
        return interpolate(L.S, L.ki, S);
    case Source::Maturity:
        return Payouts(contract_, m).maturity(S, knocked_in);
    case Source::Continuation:
        break;
    }
    return interpolate(L.S, knocked_in ? L.ki : L.nki, S);
}

double AccurateSolution::level_derivative(int level, double S, bool knocked_in, int order) const
{
    const Level& L = levels_[level];
    const PDEParams m = model();
    bool use_ki = knocked_in;
    switch (source_at(contract_, today_, S, knocked_in)) {
    case Source::KnockOut:
    case Source::Maturity:
        return order == 1 ? Payouts(contract_, m).participation_slope(S) : 0.0;
    case Source::KnockedIn:
        use_ki = true;
        break;
    case Source::Continuation:
        break;
    }
    if (order == 1)
        return interpolate(L.S, use_ki ? L.ki_delta : L.nki_delta, S);
    return interpolate(L.S, use_ki ? L.ki_gamma : L.nki_gamma, S);
}

double AccurateSolution::level_next_value(int level, double S, bool knocked_in) const
{
    const Level& L = levels_[level];
    const PDEParams m = model();
    switch (source_at(contract_, next_, S, knocked_in)) {
    case Source::KnockOut:
        return Payouts(contract_, m).knock_out(next_.ko_obs, S);
    case Source::KnockedIn:
        return interpolate(L.S, L.ki_next, S);
    case Source::Maturity:
        return Payouts(contract_, m).maturity(S, knocked_in);
    case Source::Continuation:
        break;
    }
    return interpolate(L.S, knocked_in ? L.ki_next : L.nki_next, S);
}

// Richardson: both levels' errors fall with the square of the step, so
// (4 fine - coarse) / 3 removes the leading term.
double AccurateSolution::value(double S, bool knocked_in) const
{
    if (!ok())
        return kNaN;
    return (4.0 * level_value(1, S, knocked_in) - level_value(0, S, knocked_in)) / 3.0;
}

double AccurateSolution::fine_value(double S, bool knocked_in) const
{
    return ok() ? level_value(1, S, knocked_in) : kNaN;
}

double AccurateSolution::coarse_value(double S, bool knocked_in) const
{
    return ok() ? level_value(0, S, knocked_in) : kNaN;
}

double AccurateSolution::delta(double S, bool knocked_in) const
{
    if (!ok())
        return kNaN;
    return (4.0 * level_derivative(1, S, knocked_in, 1) - level_derivative(0, S, knocked_in, 1)) / 3.0;
}

double AccurateSolution::gamma(double S, bool knocked_in) const
{
    if (!ok())
        return kNaN;
    return (4.0 * level_derivative(1, S, knocked_in, 2) - level_derivative(0, S, knocked_in, 2)) / 3.0;
}

// With the coarse level c = V + X + Y (X the price grid's error, Y the
// time steps'), the time-refined one a = V + X + Y/4 and the fine one
// f = V + X/4 + Y/4, the fine level's error is at most (|a - f| + |c - a|) / 3
// even when X and Y have opposite signs; the extrapolated value's error is of
// higher order, so this bounds it with room to spare.
double AccurateSolution::error_estimate(double S, bool knocked_in) const
{
    if (!ok())
        return kNaN;
    const double c = level_value(0, S, knocked_in), f = level_value(1, S, knocked_in),
                 a = level_value(2, S, knocked_in);
    return (std::fabs(a - f) + std::fabs(c - a)) / 3.0;
}

double AccurateSolution::theta(double S, bool knocked_in) const
{
    if (!ok())
        return kNaN;
    const double dt = next_.t - today_.t;
    double th[2];
    for (int level = 0; level < 2; ++level)
        th[level] = (level_next_value(level, S, knocked_in) - level_value(level, S, knocked_in)) / dt;
    return (4.0 * th[1] - th[0]) / 3.0;
}

AccurateSolution solve_accurate(const SnowballContract& contract, const PDEParams& model, int year_days,
                                const AccurateResolution& resolution, const ProgressHook& progress)
{
    return accurate_guarded<AccurateSolution>([&] {
        const AccurateModel priced(model);
        return AccurateSolver(contract, priced, year_days, resolution).solve(priced, progress);
    });
}

AccurateSolution solve_accurate(const SnowballContract& contract, const PDEParams& model, int year_days,
                                const ProgressHook& progress)
{
    return solve_accurate(contract, model, year_days, AccurateResolution(), progress);
}

AccurateSolution solve_accurate(const SnowballContract& contract, const PDEParams& model, int year_days,
                                const AccurateValuation& valuation, const ProgressHook& progress)
{
    return accurate_guarded<AccurateSolution>([&] {
        const AccurateModel priced(model);
        return AccurateSolver(contract, priced, year_days, AccurateResolution(), valuation).solve(priced, progress);
    });
}

AccurateResolution accurate_resolution(const MarketModel& market)
{
    AccurateResolution r;
    if (!market.is_flat())
        r.base_cells = r.base_cells * 3 / 2;
    return r;
}

// A flat market is priced by the flat model's own code, so it gives its
// numbers bit for bit.
AccurateSolution solve_accurate(const SnowballContract& contract, const MarketModel& market, double T, int year_days,
                                const AccurateResolution& resolution, const AccurateValuation& valuation,
                                const ProgressHook& progress)
{
    return accurate_guarded<AccurateSolution>([&] {
        const AccurateModel priced = market.is_flat() ? AccurateModel(market.flat_params(T)) : AccurateModel(market, T);
        return AccurateSolver(contract, priced, year_days, resolution, valuation).solve(priced, progress);
    });
}

AccurateSolution solve_accurate(const SnowballContract& contract, const MarketModel& market, double T, int year_days,
                                const ProgressHook& progress)
{
    return solve_accurate(contract, market, T, year_days, accurate_resolution(market), AccurateValuation(), progress);
}

namespace {

// The five models of the Greeks, solved on one grid (bumps on another grid
// would add its error to the difference): the base, the volatility and the
// rate each up and down 0.01, and the spreads the differences divide by.
struct GreekBumps
{
    std::vector<AccurateModel> models;
    double vol_spread = 0.0, rate_spread = 0.0;
    AccurateResolution resolution;
};

const double kBump = 0.01;

GreekBumps greek_bumps(const PDEParams& model)
{
    PDEParams bumped[5] = {model, model, model, model, model};
    bumped[1].sigma += kBump, bumped[2].sigma -= kBump, bumped[3].r += kBump, bumped[4].r -= kBump;
    if (!(bumped[2].sigma > 0.0))
        bumped[2].sigma = model.sigma;  // one-sided below: divided by the actual spread
    GreekBumps b;
    for (const PDEParams& p : bumped)
        b.models.emplace_back(p);
    b.vol_spread = bumped[1].sigma - bumped[2].sigma;
    b.rate_spread = bumped[3].r - bumped[4].r;
    return b;
}

// Vega shifts whichever volatility input is in use; a shift it refuses
// (a volatility leaving its range) makes the difference one-sided.
GreekBumps greek_bumps(const MarketModel& market, double T)
{
    GreekBumps b;
    b.resolution = accurate_resolution(market);
    b.models.emplace_back(market, T);
    for (double dv : {kBump, -kBump}) {
        const MarketResult<MarketModel> shifted = market.with_volatility_shift(dv);
        b.models.emplace_back(shifted.ok() ? *shifted.value : market, T);
        b.vol_spread += shifted.ok() ? kBump : 0.0;
    }
    b.models.emplace_back(market.with_rate_shift(kBump), T);
    b.models.emplace_back(market.with_rate_shift(-kBump), T);
    b.rate_spread = 2.0 * kBump;
    return b;
}

template <class MakeBumps>
GreeksValuation greeks_at(const SnowballContract& contract, const MakeBumps& make_bumps, int year_days, double S,
                         bool knocked_in, const AccurateValuation& valuation, const ProgressHook& progress)
{
    GreeksValuation g;
    AccurateSolution solved[5];
    double vol_spread = 0.0, rate_spread = 0.0;
    try {
        const GreekBumps bumps = make_bumps();
        vol_spread = bumps.vol_spread, rate_spread = bumps.rate_spread;
        const AccurateSolver solver(contract, bumps.models[0], year_days, bumps.resolution, valuation);
        if (!solver.status().ok()) {
            static_cast<Answer&>(g) = solver.status();
            return g;
        }
        for (int i = 0; i < 5; ++i) {
            solved[i] = solver.solve(bumps.models[static_cast<std::size_t>(i)], progress_part(progress, i / 5.0, 0.2));
            if (!solved[i].ok()) {
                static_cast<Answer&>(g) = solved[i];
                return g;
            }
        }
    } catch (const std::bad_alloc&) {
        g.fail("out of memory");
        return g;
    } catch (const std::exception& e) {
        g.fail(e.what());
        return g;
    }
    const AccurateSolution& base = solved[0];
    g.price = base.value(S, knocked_in);
    g.delta = base.delta(S, knocked_in);
    g.gamma = base.gamma(S, knocked_in);
    g.theta = base.theta(S, knocked_in);
    g.vega = (solved[1].value(S, knocked_in) - solved[2].value(S, knocked_in)) / vol_spread;
    g.rho = (solved[3].value(S, knocked_in) - solved[4].value(S, knocked_in)) / rate_spread;
    g.error_estimate = base.error_estimate(S, knocked_in);
    g.outcome = Outcome::Ok;
    return g;
}

// The valuation of the lookups at a spot and a later date; false (with the
// refusal in g) for a spot that is not a positive number.
bool lookup_valuation(double S, double elapsed, AccurateValuation& valuation, GreeksValuation& g)
{
    if (!(std::isfinite(S) && S > 0.0)) {
        g.fail("the spot must be a positive number");
        return false;
    }
    valuation.elapsed = elapsed;
    valuation.grid_spot = S;
    return true;
}

// A flat market takes the flat model's bumps and code (the same numbers).
std::function<GreekBumps()> greek_bumps_of(const MarketModel& market, double T)
{
    return [&market, T] { return market.is_flat() ? greek_bumps(market.flat_params(T)) : greek_bumps(market, T); };
}

std::function<GreekBumps()> greek_bumps_of(const PDEParams& model)
{
    return [&model] { return greek_bumps(model); };
}

}  // namespace

GreeksValuation greeks_accurate(const SnowballContract& contract, const PDEParams& model, int year_days, double S,
                                bool knocked_in, const ProgressHook& progress)
{
    return greeks_at(contract, greek_bumps_of(model), year_days, S, knocked_in, AccurateValuation(), progress);
}

GreeksValuation greeks_accurate_at(const SnowballContract& contract, const PDEParams& model, int year_days,
                                   double S, double elapsed, bool knocked_in, const ProgressHook& progress)
{
    AccurateValuation valuation;
    GreeksValuation g;
    if (!lookup_valuation(S, elapsed, valuation, g))
        return g;
    return greeks_at(contract, greek_bumps_of(model), year_days, S, knocked_in, valuation, progress);
}

GreeksValuation greeks_accurate(const SnowballContract& contract, const MarketModel& market, double T,
                                int year_days, double S, bool knocked_in, const ProgressHook& progress)
{
    return greeks_at(contract, greek_bumps_of(market, T), year_days, S, knocked_in, AccurateValuation(), progress);
}

GreeksValuation greeks_accurate_at(const SnowballContract& contract, const MarketModel& market, double T,
                                   int year_days, double S, double elapsed, bool knocked_in, const ProgressHook& progress)
{
    AccurateValuation valuation;
    GreeksValuation g;
    if (!lookup_valuation(S, elapsed, valuation, g))
        return g;
    return greeks_at(contract, greek_bumps_of(market, T), year_days, S, knocked_in, valuation, progress);
}
