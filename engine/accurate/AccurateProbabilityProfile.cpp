#include "AccurateProbabilityProfile.h"

#include "AccurateScheme.h"
#include "Refusal.h"
#include "MonitoringSchedule.h"
#include "StretchedGrid.h"
#include "TridiagonalOperator.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <sstream>
#include <string>
#include <stdexcept>
#include <utility>

// Why a forward pass: indicator payoffs would need one backward solve per
// figure (one per observation for the knock-out probabilities alone), while
// the forward (Kolmogorov) equation gives them all in one pass per
// resolution, as cheap as the price's. It is the exact discrete adjoint of
// the accurate pricer's scheme on each of its levels, so every figure is what
// that pricer would give for the matching indicator payoff (with r = 0 in the
// discount term and drift r - q):
//   backward step:   V' = A^{-1} (B V + boundary terms), A = I - theta dt L,
//                    B = I + (1 - theta) dt L, Rannacher half steps first;
//   forward step:    y = A^{-T} p, p' = B^T y, the steps in reverse order;
//                    what the boundary terms carried (y at the last node
//                    times its coupling to the top, times dt) leaves through
//                    the top, where the pricer's boundary value is the next
//                    observation's knock-out;
//   monitoring:      backward knock-in then knock-out overriding it, with
//                    cell weights w; forward: knock-out removes w of both
//                    densities (recorded), then knock-in moves w of the
//                    not-knocked-in density to the knocked-in one (recorded).
// With r = 0 the operator's rows sum to zero, so mass is conserved: what
// leaves is recorded, and the figures sum to one.

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The figures of one resolution, before extrapolation.
struct Figures
{
    std::vector<double> ko;
    double maturity = 0.0, ki = 0.0, loss = 0.0, life = 0.0;
};

class ForwardPass
{
public:
    // market: the pricer's market model (null: the flat model's numbers).
    ForwardPass(const SnowballContract& contract, const PDEParams& model, const MarketModel* market, int year_days,
                const AccurateResolution& resolution, bool knocked_in)
        : c_(contract), m_(model), market_(market), year_days_(year_days), steps_per_day_(resolution.steps_per_day),
          knocked_in_(knocked_in)
    {
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
        if (std::isnan(m_.q))
            m_.q = 0.0;
        std::string error;
        if (!build_monitoring_schedule(contract, m_.T, year_days, events_, error)) {
            status_.fail(error);
            return;
        }
        grid_ = accurate_price_grid(contract, market ? accurate_grid_params(*market, m_.S0, 0.0, m_.T) : m_,
                                    resolution.base_cells);
        if (!grid_ || grid_->empty()) {
            status_.fail("the price grid cannot be built");
            return;
        }
        status_.outcome = Outcome::Ok;
        // The observation whose knock-out the top boundary pays during the
        // interval that ends at each moment: the first one at or after it.
        next_obs_.assign(events_.size(), last());
        for (std::size_t e = events_.size() - 1; e-- > 0;)
            next_obs_[e] = events_[e].ko_obs >= 0 && !events_[e].maturity ? events_[e].ko_obs : next_obs_[e + 1];
    }

    const Answer& status() const { return status_; }

    // The pricer's held local variance for this pass's levels (null for a
    // flat model).
    std::unique_ptr<HeldVariance> held_variance() const
    {
        return std::unique_ptr<HeldVariance>(market_ ? new HeldVariance(market_->local_volatility(), grid_->nodes(1))
                                                     : nullptr);
    }

    // Today's close, checked at the spot itself as the pricer's value is:
    // true when that already decides everything (knock-out today).
    bool settled_today(Figures& f) const
    {
        const MonitoringEvent& today = events_.front();
        f.ko.assign(c_.obs_times.size(), 0.0);
        starts_in_ = knocked_in_ || (today.ki_period >= 0 && m_.S0 <= c_.ki_barrier[today.ki_period]);
        f.ki = starts_in_ ? 1.0 : 0.0;
        if (today.ko_obs >= 0 && m_.S0 >= c_.ko_barrier[today.ko_obs]) {
            f.ko[today.ko_obs] = 1.0;
            f.ki = knocked_in_ ? 1.0 : 0.0;  // knock-out is checked first
            f.life = obs_time(today.ko_obs);
            return true;
        }
        return false;
    }

    // One resolution: the price grid of space_level, the time steps of time_level.
    bool run(int space_level, int time_level, HeldVariance* held, const ProgressHook& progress, Figures& f) const
    {
        const std::vector<double> S = grid_->nodes(space_level);
        const std::size_t M = S.size() - 1;
        // The pricer's operators with r = 0 in the discount term.
        StepOperators operators = market_ ? StepOperators(S, *market_, m_.T, false, held, space_level == 0 ? 2 : 1)
                                          : StepOperators(S, m_.sigma, m_.r - m_.q, 0.0);

        const std::size_t obs = c_.obs_times.size();
        const BarrierWeights weights = accurate_barrier_weights(S, c_);
        const std::vector<std::vector<double>>&ki_w = weights.ki, &ko_w = weights.ko;
        // A knocked-in note loses when it pays less than S0: below S0, unless
        // a floor at or above S0 pays there.
        const bool floor_saves = c_.has_floor() && c_.floor_price >= m_.S0;
        const std::vector<double> loss_w = floor_saves ? std::vector<double>(M + 1, 0.0) : cell_weights(S, m_.S0, true);

        // Densities of the structure not knocked in and knocked in (node M,
        // the boundary, holds none). The pricer reads today's value at the
        // spot's node; a spot between nodes is shared linearly.
        std::vector<double> pn(M + 1, 0.0), pk(M + 1, 0.0);
        std::vector<double>& start = starts_in_ ? pk : pn;
        const std::size_t i = static_cast<std::size_t>(std::lower_bound(S.begin(), S.end(), m_.S0) - S.begin());
        if (i >= M)
            throw std::runtime_error("the spot lies outside the price grid");
        if (S[i] == m_.S0 || i == 0) {
            start[i] = 1.0;
        } else {
            const double w = (S[i] - m_.S0) / (S[i] - S[i - 1]);
            start[i - 1] = w, start[i] = 1.0 - w;
        }

        f.ko.assign(obs, 0.0);
        // One step forward of length dt, the adjoint of the pricer's
        // theta-scheme step back over the same times; returns the mass that
        // left through the top.
        auto step = [&](const SchemeStep& st) {
            const StepOperators::Step ops = operators.for_step(st);
            const std::vector<double>&l = ops.op.l, &d = ops.op.d, &u = ops.op.u;
            const double dt = st.dt;
            ops.system.solve_transposed_pair(pn.data(), pk.data(), pn.data(), pk.data());
            const double through_top = (pn[M - 1] + pk[M - 1]) * u[M - 1] * dt;
            const double e = (1.0 - st.theta) * dt;
            if (e > 0.0) {
                // p' = B^T y: column n of B holds u of row n-1, d of row n, l of row n+1.
                double below_n = 0.0, below_k = 0.0;  // y of node n-1
                for (std::size_t n = 0; n < M; ++n) {
                    const double yn = pn[n], yk = pk[n];
                    const double ln = n + 1 < M ? l[n + 1] : 0.0;
                    const double un = n > 0 ? u[n - 1] : 0.0;
                    const double next_n = n + 1 < M ? pn[n + 1] : 0.0, next_k = n + 1 < M ? pk[n + 1] : 0.0;
                    pn[n] = yn + e * (d[n] * yn + ln * next_n + un * below_n);
                    pk[n] = yk + e * (d[n] * yk + ln * next_k + un * below_k);
                    below_n = yn, below_k = yk;
                }
            }
            return through_top;
        };

        const std::size_t E = events_.size();
        for (std::size_t e = 0; e + 1 < E; ++e) {
            if (!progress(static_cast<double>(e) / static_cast<double>(E)))
                return false;
            const double length = events_[e + 1].t - events_[e].t;
            const int top_pays = next_obs_[e + 1];
            if (length > 0.0) {
                const long n = accurate_interval_steps(length, year_days_, steps_per_day_, time_level, e == 0);
                // Backward the interval starts with two implicit half steps
                // (Rannacher) at its end; forward they come last.
                const std::vector<SchemeStep> plan =
                    accurate_interval_plan(events_[e].t, events_[e + 1].t, n, time_level);
                double out = 0.0;
                for (auto st = plan.rbegin(); st != plan.rend(); ++st)
                    out += step(*st);
                f.ko[top_pays] += out;
            }
            const MonitoringEvent& ev = events_[e + 1];
            if (ev.maturity)
                break;
            if (ev.ko_obs >= 0) {
                const std::vector<double>& w = ko_w[static_cast<std::size_t>(ev.ko_obs)];
                double out = 0.0;
                for (std::size_t n = M; n-- > 0 && w[n] > 0.0;) {
                    out += w[n] * (pn[n] + pk[n]);
                    pn[n] -= w[n] * pn[n], pk[n] -= w[n] * pk[n];
                }
                f.ko[ev.ko_obs] += out;
            }
            if (ev.ki_period >= 0) {
                const std::vector<double>& w = ki_w[static_cast<std::size_t>(ev.ki_period)];
                double in = 0.0;
                for (std::size_t n = 0; n < M && w[n] > 0.0; ++n) {
                    const double moved = w[n] * pn[n];
                    in += moved;
                    pk[n] += moved, pn[n] -= moved;
                }
                f.ki += in;
            }
        }

        // Maturity: knock-out on the last observation, else the knock-in
        // check at the last barrier, then a loss below S0.
        const std::vector<double>& ko_last = ko_w[obs - 1];
        const std::vector<double>& ki_last = ki_w[obs - 1];
        double ko = 0.0, maturity = 0.0, in = 0.0, loss = 0.0;
        for (std::size_t n = 0; n < M; ++n) {
            const double stays = 1.0 - ko_last[n];
            ko += ko_last[n] * (pn[n] + pk[n]);
            maturity += stays * (pn[n] + pk[n]);
            in += stays * ki_last[n] * pn[n];
            loss += stays * loss_w[n] * (pk[n] + ki_last[n] * pn[n]);
        }
        f.ko[obs - 1] += ko;
        f.maturity = maturity;
        f.ki += in;
        f.loss = loss;
        f.life = maturity * m_.T;
        for (std::size_t k = 0; k < obs; ++k)
            f.life += f.ko[k] * obs_time(static_cast<int>(k));
        return progress(1.0);
    }

private:
    int last() const { return static_cast<int>(c_.obs_times.size()) - 1; }
    // The last observation is settled at maturity, whatever its date.
    double obs_time(int k) const { return k == last() ? m_.T : c_.obs_times[static_cast<std::size_t>(k)]; }

    const SnowballContract& c_;
    PDEParams m_;
    const MarketModel* market_;
    int year_days_;
    int steps_per_day_;
    bool knocked_in_;
    mutable bool starts_in_ = false;
    Answer status_;
    std::vector<MonitoringEvent> events_;
    std::vector<int> next_obs_;
    std::unique_ptr<StretchedGrid> grid_;
};

// Richardson as the pricer does it: coarse c, fine f (both steps halved) and
// time-refined a give (4f - c) / 3 and the bound (|a - f| + |c - a|) / 3.
void extrapolate(double c, double f, double a, double& value, double& error)
{
    value = (4.0 * f - c) / 3.0;
    error = (std::fabs(a - f) + std::fabs(c - a)) / 3.0;
}

// Why the extrapolated figures are no probabilities, or empty when they are:
// each within [0, 1] up to its error estimate, the knock-out and maturity
// probabilities summing to one, the expected life within the maturity.
// Outside the levels' asymptotic range (a distribution the grid cannot
// resolve) the extrapolation can break any of these.
std::string implausible_figures(const ProbabilityProfile& p, double T)
{
    std::ostringstream why;
    auto outside = [&](const char* what, double value, double error) {
        if (value >= -error && value <= 1.0 + error)
            return false;
        why << what << " " << value << " (error estimate " << error << ") is outside [0, 1]";
        return true;
    };
    double sum = p.maturity_probability;
    for (std::size_t k = 0; k < p.ko_probability.size(); ++k) {
        const std::string what = "the knock-out probability at observation " + std::to_string(k + 1);
        if (outside(what.c_str(), p.ko_probability[k], p.ko_error[k]))
            return why.str();
        sum += p.ko_probability[k];
    }
    if (outside("the maturity probability", p.maturity_probability, p.maturity_error) ||
        outside("the knock-in probability", p.ki_probability, p.ki_error) ||
        outside("the loss probability", p.loss_probability, p.loss_error))
        return why.str();
    if (!(std::fabs(sum - 1.0) <= 1e-6))
        why << "the knock-out and maturity probabilities sum to " << sum << ", not 1";
    else if (!(p.expected_life >= 0.0 && p.expected_life <= T * (1.0 + 1e-12)))
        why << "the expected life " << p.expected_life << " years is beyond the maturity " << T;
    return why.str();
}

ProbabilityProfile profile_of(const SnowballContract& contract, const PDEParams& model, const MarketModel* market,
                              int year_days, const AccurateResolution& resolution, bool knocked_in,
                              const ProgressHook& progress)
{
    ProbabilityProfile p;
    const ForwardPass pass(contract, model, market, year_days, resolution, knocked_in);
    if (!pass.status().ok()) {
        static_cast<Answer&>(p) = pass.status();
        return p;
    }
    Figures level[3];
    if (pass.settled_today(level[0])) {
        level[2] = level[1] = level[0];
    } else {
        // The pricer's levels and their shares of the work (1 : 8 : 2).
        const int space[3] = {0, 1, 0}, time[3] = {0, 1, 1};
        const double start[3] = {0.0, 1.0 / 11.0, 9.0 / 11.0}, share[3] = {1.0 / 11.0, 8.0 / 11.0, 2.0 / 11.0};
        for (int L = 1; L < 3; ++L)
            level[L] = level[0];
        const std::unique_ptr<HeldVariance> held = pass.held_variance();
        for (int L = 0; L < 3; ++L) {
            if (!pass.run(space[L], time[L], held.get(), progress_part(progress, start[L], share[L]), level[L])) {
                p.cancel();
                return p;
            }
        }
    }
    const std::size_t obs = contract.obs_times.size();
    p.ko_probability.resize(obs);
    p.ko_error.resize(obs);
    for (std::size_t k = 0; k < obs; ++k)
        extrapolate(level[0].ko[k], level[1].ko[k], level[2].ko[k], p.ko_probability[k], p.ko_error[k]);
    extrapolate(level[0].maturity, level[1].maturity, level[2].maturity, p.maturity_probability, p.maturity_error);
    extrapolate(level[0].ki, level[1].ki, level[2].ki, p.ki_probability, p.ki_error);
    extrapolate(level[0].loss, level[1].loss, level[2].loss, p.loss_probability, p.loss_error);
    extrapolate(level[0].life, level[1].life, level[2].life, p.expected_life, p.life_error);
    const std::string why = implausible_figures(p, model.T);
    if (!why.empty()) {
        p.fail("the accurate probabilities cannot be computed at this volatility: " + why);
        return p;
    }
    p.outcome = Outcome::Ok;
    return p;
}

}  // namespace

ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const PDEParams& model,
                                                int year_days, const AccurateResolution& resolution,
                                                bool knocked_in, const ProgressHook& progress)
{
    return accurate_guarded<ProbabilityProfile>(
        [&] { return profile_of(contract, model, nullptr, year_days, resolution, knocked_in, progress); });
}

ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const PDEParams& model,
                                                int year_days, bool knocked_in, const ProgressHook& progress)
{
    return probability_profile_accurate(contract, model, year_days, AccurateResolution(), knocked_in, progress);
}

// A flat market takes the flat model's pass (the same numbers).
ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const MarketModel& market, double T,
                                                int year_days, const AccurateResolution& resolution, bool knocked_in,
                                                const ProgressHook& progress)
{
    return accurate_guarded<ProbabilityProfile>([&] {
        return profile_of(contract, market.flat_params(T), market.is_flat() ? nullptr : &market, year_days, resolution,
                          knocked_in, progress);
    });
}

ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const MarketModel& market, double T,
                                                int year_days, bool knocked_in, const ProgressHook& progress)
{
    return probability_profile_accurate(contract, market, T, year_days, accurate_resolution(market), knocked_in,
                                        progress);
}
