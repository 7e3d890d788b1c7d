#include "SviFit.h"

#include <newmat/newmat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

using Params = std::array<double, 5>;  // a, ln b, atanh rho, m, ln sigma

const double kRhoLimit = 0.999;
const double kLeeBound = 2.0;
// Margins the fit keeps inside the conditions, so that what is accepted
// holds with room to spare where the local variance is later checked.
const double kDensityMargin = 1e-3;
const double kCalendarMargin = 1e-6;

SviSlice to_slice(const Params& x)
{
    SviSlice s;
    s.a = x[0];
    s.b = std::exp(x[1]);
    s.rho = kRhoLimit * std::tanh(x[2]);
    s.m = x[3];
    s.sigma = std::exp(x[4]);
    return s;
}

Params to_params(const SviSlice& s)
{
    const double r = std::max(-0.99, std::min(0.99, s.rho / kRhoLimit));
    return {s.a, std::log(std::max(s.b, 1e-8)), std::atanh(r), s.m, std::log(std::max(s.sigma, 1e-6))};
}

class Problem
{
public:
    explicit Problem(const SviFitInput& in) : in_(in)
    {
        w_min_ = std::numeric_limits<double>::infinity();
        for (double v : in.vol)
            w_min_ = std::min(w_min_, v * v * in.T);
    }

    std::size_t size() const { return in_.k.size() + 3 + 2 * in_.check_k.size() + 2; }

    // Quote residuals in vol, then the penalties (zero where a condition holds).
    void residuals(const Params& x, double weight, std::vector<double>& r) const
    {
        const SviSlice s = to_slice(x);
        r.clear();
        const double T = in_.T;
        for (std::size_t j = 0; j < in_.k.size(); ++j) {
            const double w = s.w(in_.k[j]);
            r.push_back(w > 0.0 ? std::sqrt(w / T) - in_.vol[j] : -in_.vol[j] + w);
        }
        r.push_back(weight * std::max(0.0, 0.05 * w_min_ - s.min_variance()) / w_min_);
        r.push_back(weight * std::max(0.0, s.b * (1.0 + std::fabs(s.rho)) - kLeeBound));
        r.push_back(0.0);
        for (double k : in_.check_k) {
            const TotalVariance v = s.at(k);
            const double g = v.w > 0.0 ? butterfly_density(k, v.w, v.w_k, v.w_kk) : -1.0;
            r.push_back(weight * std::max(0.0, kDensityMargin - g));
            if (in_.floor) {
                const double f = in_.floor->w(k);
                r.push_back(weight * std::max(0.0, f * (1.0 + kCalendarMargin) - v.w) / f);
            } else {
                r.push_back(0.0);
            }
        }
        if (in_.floor) {
            r.push_back(weight * std::max(0.0, in_.floor->left_slope() * (1.0 + kCalendarMargin) - s.left_slope()));
            r.push_back(weight * std::max(0.0, in_.floor->right_slope() * (1.0 + kCalendarMargin) - s.right_slope()));
        } else {
            r.push_back(0.0);
            r.push_back(0.0);
        }
    }

    // Conditions without the margins: what the result is judged by.
    bool feasible(const SviSlice& s) const
    {
        if (!s.admissible())
            return false;
        for (double k : in_.check_k) {
            const TotalVariance v = s.at(k);
            if (!(butterfly_density(k, v.w, v.w_k, v.w_kk) > 0.0))
                return false;
            if (in_.floor && v.w < in_.floor->w(k))
                return false;
        }
        return !in_.floor ||
               (s.left_slope() >= in_.floor->left_slope() && s.right_slope() >= in_.floor->right_slope());
    }

private:
    const SviFitInput& in_;
    double w_min_;
};

double sum_squares(const std::vector<double>& r)
{
    double s = 0.0;
    for (double v : r)
        s += v * v;
    return s;
}

// Levenberg-Marquardt with a forward-difference Jacobian; the 5x5 normal
// equations solved by Newmat.
Params levenberg_marquardt(const Problem& p, Params x, double weight)
{
    std::vector<double> r, trial, shifted;
    p.residuals(x, weight, r);
    double cost = sum_squares(r);
    const std::size_t n = r.size();
    std::vector<std::array<double, 5>> J(n);
    double mu = 1e-3;
    for (int iteration = 0; iteration < 200; ++iteration) {
        for (int c = 0; c < 5; ++c) {
            Params y = x;
            const double h = 1e-7 * (1.0 + std::fabs(x[c]));
            y[c] += h;
            p.residuals(y, weight, shifted);
            for (std::size_t i = 0; i < n; ++i)
                J[i][c] = (shifted[i] - r[i]) / h;
        }
        NEWMAT::SymmetricMatrix A(5);
        NEWMAT::ColumnVector g(5);
        A = 0.0;
        g = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            for (int a = 0; a < 5; ++a) {
                g(a + 1) += J[i][a] * r[i];
                for (int b = 0; b <= a; ++b)
                    A(a + 1, b + 1) += J[i][a] * J[i][b];
            }
        bool improved = false;
        while (mu < 1e12) {
            NEWMAT::SymmetricMatrix D = A;
            for (int a = 1; a <= 5; ++a)
                D(a, a) += mu * (A(a, a) + 1e-12);
            Params y = x;
            try {
                const NEWMAT::ColumnVector step = D.i() * g;
                for (int a = 0; a < 5; ++a)
                    y[a] -= step(a + 1);
            } catch (const NEWMAT::BaseException&) {
                mu *= 10.0;
                continue;
            }
            p.residuals(y, weight, trial);
            const double next = sum_squares(trial);
            if (std::isfinite(next) && next < cost) {
                const double gain = cost - next;
                x = y, r = trial;
                cost = next;
                mu = std::max(mu / 3.0, 1e-12);
                improved = true;
                if (gain <= 1e-14 * cost + 1e-22)
                    return x;
                break;
            }
            mu *= 4.0;
        }
        if (!improved)
            break;
    }
    return x;
}

// Starting smiles: the floor's shape scaled to this expiry's level, and
// generic ones from the quotes' lowest point and end slopes.
std::vector<SviSlice> starting_points(const SviFitInput& in)
{
    std::vector<SviSlice> starts;
    const std::size_t n = in.k.size();
    std::size_t lowest = 0;
    for (std::size_t j = 1; j < n; ++j)
        if (in.vol[j] < in.vol[lowest])
            lowest = j;
    const double w_low = in.vol[lowest] * in.vol[lowest] * in.T;
    const double wl = in.vol.front() * in.vol.front() * in.T, wr = in.vol.back() * in.vol.back() * in.T;
    const double span = in.k.back() - in.k.front();
    const double left = lowest > 0 ? (wl - w_low) / std::max(in.k[lowest] - in.k.front(), 1e-6) : 0.0;
    const double right = lowest + 1 < n ? (wr - w_low) / std::max(in.k.back() - in.k[lowest], 1e-6) : 0.0;
    const double b = std::max(0.5 * (left + right), 1e-4);
    const double rho = std::max(-0.9, std::min(0.9, (right - left) / std::max(right + left, 1e-8)));
    for (double width : {0.1, 0.3, 1.0}) {
        SviSlice s;
        s.b = std::min(b, 0.9 * kLeeBound / (1.0 + std::fabs(rho)));
        s.rho = rho;
        s.sigma = std::max(width * span, 1e-4);
        s.m = in.k[lowest];
        s.a = w_low - s.b * s.sigma * std::sqrt(1.0 - rho * rho);
        starts.push_back(s);
    }
    if (in.floor) {
        // The floor's shape, its level raised to this expiry's at the lowest quote.
        SviSlice s = *in.floor;
        s.a += std::max(0.0, w_low - in.floor->w(in.k[lowest]));
        starts.push_back(s);
    }
    return starts;
}

}  // namespace

SviFitResult fit_svi(const SviFitInput& in)
{
    SviFitResult best;
    if (in.k.size() < 5 || in.k.size() != in.vol.size() || !(in.T > 0.0))
        return best;
    const Problem problem(in);
    double best_cost = std::numeric_limits<double>::infinity();
    std::vector<double> r;
    for (const SviSlice& start : starting_points(in)) {
        Params x = to_params(start);
        // Penalty continuation: the weight rises until the conditions hold.
        for (double weight = 1.0; weight <= 1e6; weight *= 100.0) {
            x = levenberg_marquardt(problem, x, weight);
            if (problem.feasible(to_slice(x)))
                break;
        }
        const SviSlice s = to_slice(x);
        const bool feasible = problem.feasible(s);
        problem.residuals(x, 0.0, r);
        const double cost = sum_squares(r);
        if ((feasible && !best.feasible) || (feasible == best.feasible && cost < best_cost)) {
            best.slice = s;
            best.feasible = feasible;
            best_cost = cost;
        }
    }
    double sum = 0.0, worst = 0.0;
    for (std::size_t j = 0; j < in.k.size(); ++j) {
        const double e = std::sqrt(std::max(best.slice.w(in.k[j]), 0.0) / in.T) - in.vol[j];
        sum += e * e;
        worst = std::max(worst, std::fabs(e));
    }
    best.rms_vol = std::sqrt(sum / in.k.size());
    best.max_vol = worst;
    return best;
}
