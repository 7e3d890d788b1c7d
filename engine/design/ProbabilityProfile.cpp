#include "ProbabilityProfile.h"

#include "AutoCallSolver.h"
#include "Refusal.h"

#include "SnowballGrid.h"
#include "SnowballPayoff.h"
#include "TridiagonalOperator.h"

#include <newmat/newmat.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

// Why a forward pass and not indicator payoffs on the value grids: every
// figure would need its own backward run (one per observation for the
// knock-out probabilities alone), while the forward (Kolmogorov) equation
// gives them all in one pass of the same cost as one price. It is built as
// the exact discrete adjoint of the pricer's implicit scheme, so each figure
// is what the pricer would give for the matching indicator payoff, with the
// same monitoring and the same barrier nodes:
//   backward, column j:  u = KO(KI(A^{-1} (u_next - boundary terms)))
//   forward,  column j:  remove the mass at and above the knock-out node
//                        (recorded), move the not-knocked-in mass at and
//                        below the knock-in node to the knocked-in density
//                        (recorded), then p_next = A^{-T} p.
// The operator keeps the drift r - q but has r = 0 in its discount term, so
// its rows sum to one and mass is conserved: what leaves through the two
// price boundaries during a step is recorded as what the boundary values
// stand for (the top pays the next knock-out, the bottom the floor at
// maturity). The same pass with the discount term put back prices the
// structure, which the tests compare with the pricer.

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct PassResult
{
    ProbabilityProfile profile;
    double value = kNaN;  // sum of mass times payout
};

PassResult forward_pass(const SnowballContract& contract, PDEParams params, double discount_rate)
{
    PassResult out;
    ProbabilityProfile& pr = out.profile;
    const SnowballContract& terms = contract;
    const Refusal why = design_grid_refusal(contract, params);
    if (why) {
        pr.refuse(why);
        return out;
    }
    if (std::isnan(params.q))
        params.q = 0.0;

    SnowballGrid grid;
    const int M = grid.M = params.M;
    const int N = grid.N = params.N;
    grid.dS = params.S_max / M;
    grid.dt = params.T / N;
    if (!observation_columns(terms.obs_times, grid.dt, params.T, grid.obs_col)) {
        pr.fail("the observation times do not fit the time grid");
        return out;
    }
    grid.place_barriers(terms);
    const SnowballPayoff payoff(terms, grid, params);
    const std::vector<double> lower = payoff.lower_boundary();
    const std::vector<double> upper = payoff.upper_boundary();

    TridiagonalOperator op(M, params.r - params.q, discount_rate, params.sigma * params.sigma, grid.dt);
    if (!op.factor()) {
        pr.fail("the implicit operator cannot be factored");
        return out;
    }

    // The pricer's loop, replayed: the knock-in period of each column, the
    // observation settled on it, and the observation whose payout the top
    // boundary holds on it.
    const int last = static_cast<int>(grid.obs_col.size()) - 1;
    std::vector<int> period_at(static_cast<std::size_t>(N)), settled_at(static_cast<std::size_t>(N), -1);
    for (int j = N - 1, period = last; j >= 0; --j) {
        period_at[j] = period;
        if (period > 0 && j == grid.obs_col[period - 1]) {
            settled_at[j] = period - 1;
            --period;
        }
    }
    std::vector<int> top_pays(static_cast<std::size_t>(N));
    for (int j = 0, k = 0; j < N; ++j) {
        top_pays[j] = k;
        if (j == grid.obs_col[k] && k != last)
            ++k;
    }
    std::vector<double> life(grid.obs_col.size());
    for (int k = 0; k <= last; ++k)
        life[k] = k == last ? params.T : grid.obs_col[k] * grid.dt;

    // What a knocked-in path pays at the bottom (and at node n at maturity),
    // in the note form, to tell a loss.
    const double F = contract.floor_price;
    const bool bottom_loses = !(contract.has_floor() && F >= params.S0);

    pr.ko_probability.assign(grid.obs_col.size(), 0.0);
    double ki = 0.0, maturity = 0.0, loss = 0.0, value = 0.0;
    auto knock_out = [&](int k, double mass) { pr.ko_probability[k] += mass; };

    std::vector<double> nki(static_cast<std::size_t>(M) + 1, 0.0), kin(static_cast<std::size_t>(M) + 1, 0.0);
    // The pricer reads its price at the node at or below the spot.
    const int spot = static_cast<int>(std::trunc(params.S0 / grid.dS - 1.0)) + 1;
    nki[spot] = 1.0;
    const double low_coupling = op.lower_coupling(), high_coupling = op.upper_coupling();

    for (int j = 0; j < N; ++j) {
        const int settled = settled_at[j];
        if (settled >= 0) {
            const double t = j * grid.dt;
            for (int n = M - 1; n >= grid.ko_node[settled]; --n) {
                const double mass = nki[n] + kin[n];
                knock_out(settled, mass);
                value += mass * payoff.knock_out(settled, t, n);
                nki[n] = kin[n] = 0.0;
            }
        }
        const int top = std::min(grid.ki_node[period_at[j]], M - 1);
        for (int n = 1; n <= top; ++n) {
            ki += nki[n];
            kin[n] += nki[n];
            nki[n] = 0.0;
        }

        op.solve_transposed_pair(nki.data() + 1, kin.data() + 1, nki.data() + 1, kin.data() + 1);

        // Mass that left through the boundaries during the step.
        const double bottom_nki = -low_coupling * nki[1], bottom_ki = -low_coupling * kin[1];
        const double through_top = -high_coupling * (nki[M - 1] + kin[M - 1]);
        knock_out(top_pays[j], through_top);
        value += through_top * upper[j] + (bottom_nki + bottom_ki) * lower[j];
        maturity += bottom_nki + bottom_ki;
        // At the bottom the price is below any knock-in barrier that some
        // node reaches.
        const bool bottom_knocks_in = grid.ki_node[period_at[j]] >= 1;
        if (bottom_knocks_in)
            ki += bottom_nki;
        if (bottom_loses)
            loss += bottom_ki + (bottom_knocks_in ? bottom_nki : 0.0);
    }

    // Maturity column, as the pricer pays it.
    std::vector<double> pay_nki(static_cast<std::size_t>(M)), pay_ki(static_cast<std::size_t>(M));
    payoff.maturity_column(pay_nki.data(), pay_ki.data());
    for (int n = 1; n < M; ++n) {
        const double mass = nki[n] + kin[n];
        value += nki[n] * pay_nki[n] + kin[n] * pay_ki[n];
        if (n >= grid.ko_node[last]) {
            knock_out(last, mass);
            continue;
        }
        maturity += mass;
        const double in = kin[n] + (n <= grid.ki_node[last] ? nki[n] : 0.0);
        ki += in - kin[n];
        const double note = n <= grid.floor_node ? F : grid.price(n);
        if (note < params.S0)
            loss += in;
    }

    pr.maturity_probability = maturity;
    pr.ki_probability = ki;
    pr.loss_probability = loss;
    pr.expected_life = maturity * params.T;
    for (int k = 0; k <= last; ++k)
        pr.expected_life += pr.ko_probability[k] * life[k];
    pr.outcome = Outcome::Ok;
    out.value = value;
    return out;
}

PassResult guarded_pass(const SnowballContract& contract, const PDEParams& model, bool discounted)
{
    try {
        return forward_pass(contract, model, discounted ? model.r : 0.0);
    } catch (const std::bad_alloc&) {
        PassResult r;
        r.profile.fail("out of memory");
        return r;
    } catch (const NEWMAT::BaseException&) {
        PassResult r;
        r.profile.fail("matrix library error");
        return r;
    } catch (const std::exception& e) {
        PassResult r;
        r.profile.fail(e.what());
        return r;
    }
}

}  // namespace

ProbabilityProfile probability_profile(const SnowballContract& contract, const PDEParams& model)
{
    return guarded_pass(contract, model, false).profile;
}

double forward_pass_price(const SnowballContract& contract, const PDEParams& model)
{
    const PassResult r = guarded_pass(contract, model, true);
    return r.profile.ok() ? r.value : kNaN;
}
