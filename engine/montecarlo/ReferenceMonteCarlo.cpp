#include "ReferenceMonteCarlo.h"

#include "LocalVolSteps.h"
#include "Refusal.h"
#include "RequestMarket.h"
#include "RandomStream.h"
#include "ZigguratNormal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// One monitoring time of the contract. Paths are simulated in log price, so
// a barrier test is one comparison and a step one multiply-add.
struct Event
{
    double t = 0.0;
    double drift = 0.0, vol = 0.0;  // log step from the event before
    int observation = -1;           // checked for knock-out here (-1: not an observation)
    double ln_ko = kInf;
    bool ki_check = false;
    double ln_ki = -kInf;
    double coupon_payout = 0.0;  // knock-out payout before participation
    double discount = 1.0;       // e^{-r t}
    double martingale = 1.0;     // e^{-(r-q) t}: e^{-(r-q) t} S_t has expectation S0
    // Where a path that can no longer knock in goes next: the next
    // observation (or maturity), in one exact step.
    int next_observation = -1;
    double jump_drift = 0.0, jump_vol = 0.0;
};

struct Model
{
    double S0, sigma, r, q, T;
};

struct Schedule
{
    std::vector<Event> events;  // by time; the last is maturity
    double ln_ki_maturity = -kInf;
};

// market: drift, variance and discounting from its curves (null: the flat
// model's numbers). A local volatility leaves drift and vol at 0: its paths
// take their own steps (LocalVolSteps).
Schedule build_schedule(const SnowballContract& c, const Model& m, int year_days, const MarketModel* market = nullptr)
{
    const std::size_t last = c.obs_times.size() - 1;
    const double days_to_maturity = m.T * year_days;
    // Trading-day closes k / D strictly before maturity (a close within
    // rounding of maturity is maturity itself).
    const long days = static_cast<long>(std::ceil(days_to_maturity - 1e-9));

    // (time, day index or -1, observation or -1), merged where an
    // observation falls on a close.
    struct Point
    {
        double t;
        int observation;
        bool ki_day;
    };
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(days) + c.obs_times.size() + 1);
    for (long k = 0; k < days; ++k)
        points.push_back({static_cast<double>(k) / year_days, -1, true});
    for (std::size_t k = 0; k < last; ++k) {
        const double t = c.obs_times[k];
        const double day = std::round(t * year_days);
        if (std::fabs(t * year_days - day) < 1e-6 && day < days)
            points[static_cast<std::size_t>(day)].observation = static_cast<int>(k);
        else
            points.push_back({t, static_cast<int>(k), false});
    }
    std::stable_sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.t < b.t; });
    points.push_back({m.T, static_cast<int>(last), false});  // the last observation is settled at maturity

    Schedule s;
    s.events.resize(points.size());
    const double mu = m.r - m.q - 0.5 * m.sigma * m.sigma;
    std::size_t period = 0;  // knock-in period: the one the time lies in, or begins at an observation
    double previous_t = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        Event& e = s.events[i];
        const Point& p = points[i];
        e.t = p.t;
        const double dt = std::max(p.t - previous_t, 0.0), from = std::min(previous_t, p.t);
        previous_t = p.t;
        if (market) {
            const double variance = market->local_volatility().depends_on_spot() ? 0.0
                                                                                : market->variance_integral(from, p.t);
            const double growth = market->rates().integral(from, p.t) - market->dividends().integral(from, p.t);
            e.drift = growth - 0.5 * variance;
            e.vol = std::sqrt(variance);
            const double r = market->rates().integral(0.0, p.t), q = market->dividends().integral(0.0, p.t);
            e.discount = std::exp(-r);
            e.martingale = std::exp(-(r - q));
        } else {
            e.drift = mu * dt;
            e.vol = m.sigma * std::sqrt(dt);
            e.discount = std::exp(-m.r * p.t);
            e.martingale = std::exp(-(m.r - m.q) * p.t);
        }
        if (p.observation >= 0) {
            const std::size_t k = static_cast<std::size_t>(p.observation);
            e.observation = p.observation;
            e.ln_ko = std::log(c.ko_barrier[k]);
            e.coupon_payout = c.option_form() ? m.S0 * c.ko_coupon[k] * p.t : m.S0 * (1.0 + c.ko_coupon[k] * p.t);
            if (k < last)
                period = k + 1;
        }
        if (p.ki_day) {
            e.ki_check = true;
            e.ln_ki = std::log(c.ki_barrier[period]);
        }
    }
    s.ln_ki_maturity = std::log(c.ki_barrier[last]);

    // Jumps to the next observation, accumulated backwards.
    const int count = static_cast<int>(s.events.size());
    int next = count - 1;
    double drift = 0.0, variance = 0.0;
    for (int i = count - 1; i >= 0; --i) {
        Event& e = s.events[static_cast<std::size_t>(i)];
        e.next_observation = next;
        e.jump_drift = drift;
        e.jump_vol = std::sqrt(variance);
        if (e.observation >= 0) {
            next = i;
            drift = variance = 0.0;
        }
        drift += e.drift;
        variance += e.vol * e.vol;
    }
    return s;
}

// What one path ended with.
struct PathOutcome
{
    double payout = 0.0;      // discounted
    double martingale = 0.0;  // e^{-(r-q) tau} S_tau at the stop tau
    int knocked_out = -1;     // observation, or -1 at maturity
    bool knocked_in = false;
    bool loss = false;
    double life = 0.0;
};

// Sums over antithetic pairs (pair means), shifted by S0 where that keeps
// the squares small.
struct Tally
{
    long long pairs = 0;
    double y = 0, yy = 0, x = 0, xx = 0, xy = 0;
    std::vector<double> ko, ko_sq;
    double maturity = 0, maturity_sq = 0, ki = 0, ki_sq = 0, loss = 0, loss_sq = 0, life = 0, life_sq = 0;

    explicit Tally(std::size_t observations) : ko(observations, 0.0), ko_sq(observations, 0.0) {}

    void add(const PathOutcome& a, const PathOutcome& b, double S0)
    {
        ++pairs;
        const double py = 0.5 * (a.payout + b.payout) - S0, px = 0.5 * (a.martingale + b.martingale) - S0;
        y += py;
        yy += py * py;
        x += px;
        xx += px * px;
        xy += px * py;
        if (a.knocked_out >= 0)
            ko[static_cast<std::size_t>(a.knocked_out)] += 0.5;
        if (b.knocked_out >= 0)
            ko[static_cast<std::size_t>(b.knocked_out)] += 0.5;
        if (a.knocked_out >= 0 && a.knocked_out == b.knocked_out) {
            ko_sq[static_cast<std::size_t>(a.knocked_out)] += 1.0;
        } else {
            if (a.knocked_out >= 0)
                ko_sq[static_cast<std::size_t>(a.knocked_out)] += 0.25;
            if (b.knocked_out >= 0)
                ko_sq[static_cast<std::size_t>(b.knocked_out)] += 0.25;
        }
        add_indicator(a.knocked_out < 0, b.knocked_out < 0, maturity, maturity_sq);
        add_indicator(a.knocked_in, b.knocked_in, ki, ki_sq);
        add_indicator(a.loss, b.loss, loss, loss_sq);
        const double l = 0.5 * (a.life + b.life);
        life += l;
        life_sq += l * l;
    }

    void merge(const Tally& o)
    {
        pairs += o.pairs;
        y += o.y, yy += o.yy, x += o.x, xx += o.xx, xy += o.xy;
        for (std::size_t k = 0; k < ko.size(); ++k)
            ko[k] += o.ko[k], ko_sq[k] += o.ko_sq[k];
        maturity += o.maturity, maturity_sq += o.maturity_sq, ki += o.ki, ki_sq += o.ki_sq;
        loss += o.loss, loss_sq += o.loss_sq, life += o.life, life_sq += o.life_sq;
    }

private:
    static void add_indicator(bool a, bool b, double& sum, double& sum_sq)
    {
        const double v = 0.5 * (static_cast<double>(a) + static_cast<double>(b));
        sum += v;
        sum_sq += v * v;
    }
};

McEstimate estimate(double sum, double sum_sq, long long n)
{
    McEstimate e;
    const double dn = static_cast<double>(n);
    e.mean = sum / dn;
    const double variance = n > 1 ? std::max(sum_sq - dn * e.mean * e.mean, 0.0) / (dn - 1.0) : 0.0;
    e.standard_error = std::sqrt(variance / dn);
    return e;
}

class PathSimulator
{
public:
    PathSimulator(const SnowballContract& c, const Model& m, const Schedule& s, bool knocked_in)
        : normal_(ZigguratNormal::instance()), c_(c), m_(m), s_(s), start_in_(knocked_in), principal_(c.option_form() ? m.S0 : 0.0),
          dividend_(m.S0 * ((c.option_form() ? 0.0 : 1.0) + c.div_coupon * m.T))
    {
    }

    // One antithetic pair: the second path takes every normal with the
    // opposite sign.
    void pair(RandomStream& stream, PathOutcome out[2]) const
    {
        const std::vector<Event>& ev = s_.events;
        const double x0 = std::log(m_.S0);
        double x[2] = {x0, x0};
        bool alive[2] = {true, true};
        bool in[2] = {start_in_, start_in_};
        std::size_t cur = 0;
        for (int p = 0; p < 2; ++p)
            alive[p] = !check(ev[0], x[p], in[p], out[p]);
        while (alive[0] || alive[1]) {
            // Daily steps while a living path can still knock in; after
            // that only the observations matter.
            const bool daily = (alive[0] && !in[0]) || (alive[1] && !in[1]);
            const Event& from = ev[cur];
            double d, v;
            if (daily) {
                ++cur;
                d = ev[cur].drift;
                v = ev[cur].vol;
            } else {
                cur = static_cast<std::size_t>(from.next_observation);
                d = from.jump_drift;
                v = from.jump_vol;
            }
            const double z = v * normal_(stream);
            x[0] += d + z;
            x[1] += d - z;
            const Event& e = ev[cur];
            for (int p = 0; p < 2; ++p)
                if (alive[p])
                    alive[p] = !check(e, x[p], in[p], out[p]);
        }
    }

    // Applies the event to a living path; true when the path has ended.
    bool check(const Event& e, double x, bool& in, PathOutcome& out) const
    {
        const bool maturity = &e == &s_.events.back();
        if (e.observation >= 0 && x >= e.ln_ko) {
            const double S = std::exp(x);
            double pay = e.coupon_payout;
            if (c_.has_participation() && S > c_.call_strike)
                pay += (S - c_.call_strike) * c_.call_participation;
            finish(out, e, S, pay, e.observation, in, false);
            return true;
        }
        if (maturity) {
            const double S = std::exp(x);
            in = in || x <= s_.ln_ki_maturity;
            double note;  // what the note form pays
            double pay;
            if (c_.has_floor() && S <= c_.floor_price) {
                note = c_.floor_price;
                pay = note - principal_;
            } else if (in) {
                note = S;
                pay = S - principal_;
            } else {
                note = m_.S0;
                pay = dividend_;
            }
            finish(out, e, S, pay, -1, in, in && note < m_.S0);
            return true;
        }
        if (e.ki_check && x <= e.ln_ki)
            in = true;
        return false;
    }

private:
    static void finish(PathOutcome& out, const Event& e, double S, double pay, int observation, bool in, bool loss)
    {
        out.payout = pay * e.discount;
        out.martingale = S * e.martingale;
        out.knocked_out = observation;
        out.knocked_in = in;
        out.loss = loss;
        out.life = e.t;
    }

    const ZigguratNormal& normal_;
    const SnowballContract& c_;
    const Model& m_;
    const Schedule& s_;
    bool start_in_;
    double principal_;
    double dividend_;
};

// Each thread its own stream: a seed mixed from the run's seed and the
// thread's index (splitmix64), so streams differ and runs repeat.
std::uint32_t thread_seed(std::uint64_t seed, int thread)
{
    std::uint64_t z = seed + 0x9e3779b97f4a7c15ULL * (static_cast<std::uint64_t>(thread) + 1);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return static_cast<std::uint32_t>(z >> 32);
}

ReferenceMcResult fail(const std::string& why)
{
    ReferenceMcResult r;
    r.fail(why);
    return r;
}

ReferenceMcResult refused(const Refusal& why)
{
    ReferenceMcResult r;
    r.refuse(why);
    return r;
}

// Simulates `pairs` antithetic pairs over `threads` workers, each with its
// own stream and accumulator (simulate(stream, accumulator) runs one pair),
// reporting progress on the calling thread. Empty, or why the workers could
// not start; cancelled when the hook stopped the run.
template <class Accumulator, class Simulate>
std::string run_pairs(long long pairs, int threads, std::uint64_t seed, const ProgressHook& hook,
                      std::vector<Accumulator>& accumulators, const Simulate& simulate, bool& cancelled)
{
    std::atomic<long long> done{0};
    std::atomic<bool> cancel{false};
    std::atomic<int> finished{0};
    std::mutex mutex;
    std::condition_variable finished_signal;

    auto work = [&](int t) {
        RandomStream stream(thread_seed(seed, t));
        Accumulator& accumulator = accumulators[static_cast<std::size_t>(t)];
        const long long begin = pairs * t / threads, end = pairs * (t + 1) / threads;
        const long long chunk = 4096;
        for (long long i = begin; i < end && !cancel.load(std::memory_order_relaxed);) {
            const long long from = i, stop = std::min(end, i + chunk);
            for (; i < stop; ++i)
                simulate(stream, accumulator);
            done.fetch_add(stop - from, std::memory_order_relaxed);
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++finished;
        }
        finished_signal.notify_one();
    };

    std::vector<std::thread> pool;
    std::string start_error;
    try {
        for (int t = 1; t < threads; ++t)
            pool.emplace_back(work, t);
    } catch (const std::system_error& e) {
        start_error = e.what();
        cancel = true;
    }
    if (!hook) {
        if (start_error.empty())
            work(0);
    } else {
        // The calling thread only reports progress, so the hook never runs
        // on a worker and costs the paths nothing.
        std::thread first;
        if (start_error.empty()) {
            try {
                first = std::thread(work, 0);
            } catch (const std::system_error& e) {
                start_error = e.what();
                cancel = true;
            }
        }
        const int running = static_cast<int>(pool.size()) + (first.joinable() ? 1 : 0);
        std::unique_lock<std::mutex> lock(mutex);
        while (finished < running) {
            finished_signal.wait_for(lock, std::chrono::milliseconds(100));
            lock.unlock();
            bool go_on = false;
            try {
                go_on = hook(static_cast<double>(done.load()) / static_cast<double>(pairs));
            } catch (...) {
                // A hook that fails stops the run like one that says so.
            }
            if (!go_on)
                cancel = true;
            lock.lock();
        }
        lock.unlock();
        if (first.joinable())
            first.join();
    }
    for (std::thread& t : pool)
        t.join();
    cancelled = cancel;
    return start_error;
}

int thread_count(const ReferenceMcSettings& settings, long long pairs)
{
    int threads = settings.threads;
    if (threads == 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<int>(std::min<long long>(threads, pairs));
}

// The price (with the control variate) and the path figures of the merged tally.
void fill_result(const Tally& total, double S0, ReferenceMcResult& r)
{
    const long long n = total.pairs;
    const double dn = static_cast<double>(n);
    const McEstimate y = estimate(total.y, total.yy, n);
    r.plain = {S0 + y.mean, y.standard_error};
    // Control variate: e^{-(r-q) tau} S_tau at the stopping time has mean
    // S0 (optional stopping of a martingale), and it moves with the payout
    // wherever the path pays the underlying.
    const double mean_x = total.x / dn;
    const double var_x = n > 1 ? (total.xx - dn * mean_x * mean_x) / (dn - 1.0) : 0.0;
    const double cov = n > 1 ? (total.xy - dn * mean_x * y.mean) / (dn - 1.0) : 0.0;
    const double var_y = y.standard_error * y.standard_error * dn;
    const double beta = var_x > 0.0 ? cov / var_x : 0.0;
    r.price = S0 + y.mean - beta * mean_x;
    r.standard_error = std::sqrt(std::max(var_y - beta * cov, 0.0) / dn);

    const std::size_t observations = total.ko.size();
    r.ko_probability.resize(observations);
    for (std::size_t k = 0; k < observations; ++k)
        r.ko_probability[k] = estimate(total.ko[k], total.ko_sq[k], n);
    r.maturity_probability = estimate(total.maturity, total.maturity_sq, n);
    r.ki_probability = estimate(total.ki, total.ki_sq, n);
    r.loss_probability = estimate(total.loss, total.loss_sq, n);
    r.expected_life = estimate(total.life, total.life_sq, n);
    r.outcome = Outcome::Ok;
}

// Merges the per-thread tallies; false (with r cancelled) when not every
// pair ran.
template <class Accumulator, class TallyOf>
bool merged(const std::vector<Accumulator>& accumulators, long long pairs, bool cancelled, int threads,
            const TallyOf& tally_of, Tally& total, ReferenceMcResult& r)
{
    for (const Accumulator& a : accumulators)
        total.merge(tally_of(a));
    r.threads = threads;
    r.paths = 2 * total.pairs;
    if (cancelled || total.pairs != pairs) {
        r.cancel();
        return false;
    }
    return true;
}

ReferenceMcResult run(const SnowballContract& contract, const PDEParams& params, int year_days,
                      const ReferenceMcSettings& settings, const ProgressHook& hook,
                      const MarketModel* market = nullptr)
{
    const Refusal why = pricing_refusal(contract, params, year_days, PricingMethod::ReferenceMonteCarlo, settings);
    if (why)
        return refused(why);
    const Model model{params.S0, params.sigma, params.r, std::isnan(params.q) ? 0.0 : params.q, params.T};

    const Schedule schedule = build_schedule(contract, model, year_days, market);
    const PathSimulator simulator(contract, model, schedule, settings.knocked_in);
    const std::size_t observations = contract.obs_times.size();
    const long long pairs = (settings.paths + 1) / 2;
    const int threads = thread_count(settings, pairs);

    std::vector<Tally> tallies(static_cast<std::size_t>(threads), Tally(observations));
    bool cancelled = false;
    const std::string start_error = run_pairs(pairs, threads, settings.seed, hook, tallies,
                                              [&](RandomStream& stream, Tally& tally) {
                                                  PathOutcome out[2];
                                                  simulator.pair(stream, out);
                                                  tally.add(out[0], out[1], model.S0);
                                              },
                                              cancelled);
    if (!start_error.empty())
        return fail("a worker thread could not be started: " + start_error);
    ReferenceMcResult r;
    Tally total(observations);
    if (!merged(tallies, pairs, cancelled, threads, [](const Tally& t) -> const Tally& { return t; }, total, r))
        return r;
    fill_result(total, model.S0, r);
    r.method = "exact lognormal steps between the monitoring times";
    return r;
}

// Local volatility paths: a coarse and a fine level (twice the steps) on
// every pair, and on the check pairs a third with twice the fine steps, all
// on one Brownian path (a coarser level's normal of a step is the scaled sum
// of the finer ones it spans).
class LocalVolPaths
{
public:
    static constexpr int kMostLevels = 3;

    LocalVolPaths(const PathSimulator& simulator, const Schedule& schedule, const LocalVolSteps& steps, double S0,
                  bool knocked_in)
        : normal_(ZigguratNormal::instance()), simulator_(simulator), s_(schedule), steps_(steps), S0_(S0),
          start_in_(knocked_in)
    {
    }

    // One antithetic pair on `levels` levels: out[level][0 or 1].
    void pair(RandomStream& stream, int levels, std::vector<double>& z, PathOutcome out[kMostLevels][2]) const
    {
        const std::vector<Event>& ev = s_.events;
        const int finest = levels - 1;
        double x[kMostLevels][2];
        bool alive[kMostLevels][2], in[kMostLevels][2];
        int living = 0;
        for (int l = 0; l < levels; ++l)
            for (int p = 0; p < 2; ++p) {
                x[l][p] = std::log(S0_);
                in[l][p] = start_in_;
                alive[l][p] = !simulator_.check(ev[0], x[l][p], in[l][p], out[l][p]);
                living += alive[l][p];
            }
        static const double kScale[kMostLevels] = {1.0, 1.0 / std::sqrt(2.0), 0.5};
        for (std::size_t i = 1; i < ev.size() && living > 0; ++i) {
            if (levels == 1) {
                // Most pairs: one level, each normal used as it is drawn.
                for (const LocalVolSteps::Step* st = steps_.begin(0, i); st != steps_.end(0, i); ++st)
                    advance(*st, normal_(stream) * st->sqrt_h, x[0], alive[0]);
            } else {
                const std::size_t n = static_cast<std::size_t>(steps_.end(finest, i) - steps_.begin(finest, i));
                if (z.size() < n)
                    z.resize(n);
                for (std::size_t k = 0; k < n; ++k)
                    z[k] = normal_(stream);
                for (int l = 0; l < levels; ++l) {
                    if (!alive[l][0] && !alive[l][1])
                        continue;
                    const std::size_t group = std::size_t(1) << (finest - l);
                    std::size_t k = 0;
                    for (const LocalVolSteps::Step* st = steps_.begin(l, i); st != steps_.end(l, i); ++st) {
                        double w = 0.0;
                        for (std::size_t g = 0; g < group; ++g)
                            w += z[k++];
                        advance(*st, w * kScale[finest - l] * st->sqrt_h, x[l], alive[l]);
                    }
                }
            }
            living = 0;
            for (int l = 0; l < levels; ++l)
                for (int p = 0; p < 2; ++p)
                    if (alive[l][p]) {
                        alive[l][p] = !simulator_.check(ev[i], x[l][p], in[l][p], out[l][p]);
                        living += alive[l][p];
                    }
        }
    }

private:
    // One log-Euler step of both paths of a pair (w the first one's
    // Brownian increment, the second's its negative).
    void advance(const LocalVolSteps::Step& st, double w, double x[2], const bool alive[2]) const
    {
        if (alive[0] && alive[1]) {
            const double s0 = steps_.sigma(st.table, x[0]), s1 = steps_.sigma(st.table, x[1]);
            x[0] += st.drift + s0 * (w - s0 * st.half_h);
            x[1] += st.drift + s1 * (-w - s1 * st.half_h);
            return;
        }
        const int p = alive[0] ? 0 : 1;
        const double s = steps_.sigma(st.table, x[p]);
        x[p] += st.drift + s * ((p == 0 ? w : -w) - s * st.half_h);
    }

    const ZigguratNormal& normal_;
    const PathSimulator& simulator_;
    const Schedule& s_;
    const LocalVolSteps& steps_;
    double S0_;
    bool start_in_;
};

// One worker's sums of a local volatility run. Every pair runs the coarse
// level; every kFineEvery-th also the fine one, every kCheckEvery-th the
// third as well. The price is Richardson's 2 F - C written as C + 2 (F - C),
// the correction taken on the pairs that have F (each weighted by
// kFineEvery, so the mean is unbiased and the tally's variance, control
// variate included, accounts for it): the coarse level's cost on most paths.
struct LocalVolTally
{
    static constexpr long long kFineEvery = 6, kCheckEvery = 24;

    Tally tally;
    double c = 0, cc = 0;  // coarse pair means (less S0)
    long long fines = 0, checks = 0;
    double d = 0, dd = 0;  // fine minus coarse
    double b = 0, bb = 0;  // what the third level changes in the extrapolation
    long long seen = 0;
    std::vector<double> z;

    explicit LocalVolTally(std::size_t observations) : tally(observations) {}

    void simulate(const LocalVolPaths& paths, RandomStream& stream, double S0)
    {
        const long long index = seen++;
        const int levels = index % kCheckEvery == 0 ? 3 : index % kFineEvery == 0 ? 2 : 1;
        PathOutcome out[LocalVolPaths::kMostLevels][2];
        paths.pair(stream, levels, z, out);
        double mean[LocalVolPaths::kMostLevels];
        for (int l = 0; l < levels; ++l)
            mean[l] = 0.5 * (out[l][0].payout + out[l][1].payout) - S0;
        c += mean[0], cc += mean[0] * mean[0];
        PathOutcome a = out[0][0], e = out[0][1];
        if (levels > 1) {
            ++fines;
            d += mean[1] - mean[0], dd += (mean[1] - mean[0]) * (mean[1] - mean[0]);
            const double w = 2.0 * kFineEvery;
            a.payout += w * (out[1][0].payout - out[0][0].payout);
            e.payout += w * (out[1][1].payout - out[0][1].payout);
            a.martingale += w * (out[1][0].martingale - out[0][0].martingale);
            e.martingale += w * (out[1][1].martingale - out[0][1].martingale);
        }
        if (levels > 2) {
            const double change = (2.0 * mean[2] - mean[1]) - (2.0 * mean[1] - mean[0]);
            ++checks;
            b += change, bb += change * change;
        }
        tally.add(a, e, S0);
    }
};

// One round of a local volatility run at coarse_per_day steps a day.
ReferenceMcResult run_local_round(const SnowballContract& contract, const MarketModel& market, const Model& model,
                                  int year_days, int coarse_per_day, const ReferenceMcSettings& settings,
                                  const ProgressHook& hook)
{
    const Schedule schedule = build_schedule(contract, model, year_days, &market);
    std::vector<double> times;
    for (const Event& e : schedule.events)
        times.push_back(e.t);
    const LocalVolSteps steps(market, model.T, times, year_days, coarse_per_day, LocalVolPaths::kMostLevels);
    const PathSimulator simulator(contract, model, schedule, settings.knocked_in);
    const LocalVolPaths paths(simulator, schedule, steps, model.S0, settings.knocked_in);
    const std::size_t observations = contract.obs_times.size();
    const long long pairs = (settings.paths + 1) / 2;
    const int threads = thread_count(settings, pairs);

    std::vector<LocalVolTally> tallies(static_cast<std::size_t>(threads), LocalVolTally(observations));
    bool cancelled = false;
    const std::string start_error = run_pairs(
        pairs, threads, settings.seed, hook, tallies,
        [&](RandomStream& stream, LocalVolTally& tally) { tally.simulate(paths, stream, model.S0); }, cancelled);
    if (!start_error.empty())
        return fail("a worker thread could not be started: " + start_error);
    ReferenceMcResult r;
    Tally total(observations);
    if (!merged(tallies, pairs, cancelled, threads, [](const LocalVolTally& t) -> const Tally& { return t.tally; },
                total, r))
        return r;
    fill_result(total, model.S0, r);
    double c = 0, cc = 0, d = 0, dd = 0, b = 0, bb = 0;
    long long fines = 0, checks = 0;
    for (const LocalVolTally& t : tallies)
        c += t.c, cc += t.cc, d += t.d, dd += t.dd, b += t.b, bb += t.bb, fines += t.fines, checks += t.checks;
    McTimeCheck& check = r.time_check;
    check.steps_per_day = coarse_per_day;
    check.coarse = estimate(c, cc, total.pairs);
    check.coarse.mean += model.S0;
    const McEstimate change = estimate(d, dd, fines);
    check.fine = {check.coarse.mean + change.mean, std::hypot(check.coarse.standard_error, change.standard_error)};
    // After the extrapolation the bias falls like h^2: with the third level
    // the extrapolation changes by 3/4 of what is left.
    const McEstimate left = estimate(b, bb, checks);
    check.time_bias = {-4.0 / 3.0 * left.mean, 4.0 / 3.0 * left.standard_error};
    check.passed = std::fabs(check.time_bias.mean) - 2.0 * check.time_bias.standard_error < r.standard_error;
    r.method = "log-Euler steps, " + std::to_string(coarse_per_day) + " a trading day, extrapolated with " +
               std::to_string(2 * coarse_per_day) + " a day on the same paths of every " +
               std::to_string(LocalVolTally::kFineEvery) + "th pair; the bias left measured with " +
               std::to_string(4 * coarse_per_day) + " a day on every " + std::to_string(LocalVolTally::kCheckEvery) +
               "th";
    return r;
}

ReferenceMcResult run_local(const SnowballContract& contract, const MarketModel& market, double T, int year_days,
                            const ReferenceMcSettings& settings, const ProgressHook& hook)
{
    const PDEParams params = market.flat_params(T);
    const Refusal why = pricing_refusal(contract, params, year_days, PricingMethod::ReferenceMonteCarlo, settings);
    if (why)
        return refused(why);
    const Model model{params.S0, params.sigma, params.r, params.q, params.T};
    if (settings.steps_per_day < 1 || settings.most_steps_per_day > 1024)
        return fail("the steps a trading day must lie between 1 and 1024");
    ReferenceMcResult r;
    // Each round costs twice the one before: round k reports on the k-th
    // half of what is left, so the fraction rises across rounds.
    double start = 0.0, share = 0.5;
    for (int steps = settings.steps_per_day, round = 1;; steps *= 2, ++round, start += share, share *= 0.5) {
        r = run_local_round(contract, market, model, year_days, steps, settings, progress_part(hook, start, share));
        r.time_check.rounds = round;
        if (!r.ok() || r.time_check.passed || 2 * steps > settings.most_steps_per_day)
            return r;
    }
}

}  // namespace

ReferenceMcResult reference_monte_carlo(const SnowballContract& contract, const MarketModel& market, double T,
                                        int year_days, const ReferenceMcSettings& settings, const ProgressHook& hook)
{
    try {
        if (market.is_flat())
            return run(contract, market.flat_params(T), year_days, settings, hook);
        if (!market.local_volatility().depends_on_spot())
            return run(contract, market.flat_params(T), year_days, settings, hook, &market);
        return run_local(contract, market, T, year_days, settings, hook);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

ReferenceMcResult reference_monte_carlo(const SnowballContract& contract, const PDEParams& model, int year_days,
                                        const ReferenceMcSettings& settings, const ProgressHook& hook)
{
    try {
        return run(contract, model, year_days, settings, hook);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

ReferenceMcResult reference_monte_carlo(const PricingRequest& request, bool knocked_in)
{
    ReferenceMcSettings settings;
    static_cast<MonteCarloSettings&>(settings) = request.monte_carlo;
    settings.knocked_in = knocked_in;
    if (request.market) {
        const Refusal why = pricing_refusal(request);
        if (why)
            return refused(why);
        const RequestMarket m = request_market(request);
        if (m.refusal)
            return refused(m.refusal);
        return reference_monte_carlo(request.contract, *m.market, request.model.T, request.year_days, settings,
                                     request.progress);
    }
    return reference_monte_carlo(request.contract, request.model, request.year_days, settings, request.progress);
}
