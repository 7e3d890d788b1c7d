#include "QuoteArbitrage.h"

#include "BlackFormula.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

// Relative slack so rounding in prices never reads as arbitrage.
const double kSlack = 1e-10;

std::string describe(const ArbitrageFinding& f)
{
    std::ostringstream out;
    out.precision(6);
    if (f.kind == ArbitrageFinding::Kind::Butterfly) {
        out << "butterfly arbitrage at expiry " << f.expiry << " between strikes";
        for (double K : f.strikes)
            out << " " << K;
    } else {
        out << "calendar arbitrage between expiries " << f.earlier_expiry << " (strike " << f.strikes.front()
            << ") and " << f.expiry << " (strikes";
        for (std::size_t i = 1; i < f.strikes.size(); ++i)
            out << " " << f.strikes[i];
        out << ")";
    }
    out.precision(3);
    out << ": " << f.vol_points << " volatility points";
    out << (f.absorbed ? " (within what the fit absorbs)" : " (more than the fit can absorb)");
    return out.str();
}

// Volatility points between a quote and the volatility that gives price.
double vol_gap(double F, double K, double T, double vol, double price, bool call)
{
    const double s = black_implied_deviation(F, K, price, call);
    return std::isnan(s) ? 100.0 * vol : 100.0 * std::fabs(vol - s / std::sqrt(T));
}

void butterflies(const ExpiryQuotes& e, double F, std::vector<ArbitrageFinding>& out)
{
    const std::vector<VolQuote>& q = e.quotes;
    const std::size_t n = q.size();
    const double T = e.expiry;
    // Calls and puts by strike; each check uses the out-of-the-money kind at
    // the quote it sizes (the two differ by F - K, linear in K).
    std::vector<double> call(n), put(n);
    for (std::size_t j = 0; j < n; ++j) {
        const double s = q[j].vol * std::sqrt(T);
        call[j] = black_price(F, q[j].strike, s, true);
        put[j] = black_price(F, q[j].strike, s, false);
    }
    auto add = [&](std::vector<double> strikes, double points) {
        ArbitrageFinding f;
        f.kind = ArbitrageFinding::Kind::Butterfly;
        f.expiry = T;
        f.strikes = std::move(strikes);
        f.vol_points = points;
        out.push_back(f);
    };
    for (std::size_t j = 0; j + 1 < n; ++j) {
        // Calls fall with the strike, puts rise: the later quote is too high.
        if (call[j + 1] > call[j] * (1.0 + kSlack))
            add({q[j].strike, q[j + 1].strike}, vol_gap(F, q[j + 1].strike, T, q[j + 1].vol, call[j], true));
        else if (put[j] > put[j + 1] * (1.0 + kSlack))
            add({q[j].strike, q[j + 1].strike}, vol_gap(F, q[j].strike, T, q[j].vol, put[j + 1], false));
    }
    for (std::size_t j = 1; j + 1 < n; ++j) {
        const double K0 = q[j - 1].strike, K = q[j].strike, K1 = q[j + 1].strike;
        const double f = (K - K0) / (K1 - K0);
        const bool use_call = K >= F;
        const std::vector<double>& c = use_call ? call : put;
        const double chord = c[j - 1] + f * (c[j + 1] - c[j - 1]);
        if (c[j] > chord * (1.0 + kSlack) + kSlack * F)
            add({K0, K, K1}, vol_gap(F, K, T, q[j].vol, chord, use_call));
    }
}

void calendar(const ExpiryQuotes& early, double F0, const ExpiryQuotes& late, double F1,
              std::vector<ArbitrageFinding>& out)
{
    std::vector<double> k1, w1;
    for (const VolQuote& q : late.quotes) {
        k1.push_back(std::log(q.strike / F1));
        w1.push_back(q.vol * q.vol * late.expiry);
    }
    for (const VolQuote& q : early.quotes) {
        const double k = std::log(q.strike / F0), w = q.vol * q.vol * early.expiry;
        const std::size_t i = static_cast<std::size_t>(std::upper_bound(k1.begin(), k1.end(), k) - k1.begin());
        if (i == 0 || i > k1.size() || (i == k1.size() && k != k1.back()))
            continue;  // outside the later expiry's quotes: nothing to compare with
        const std::size_t lo = i - 1, hi = std::min(i, k1.size() - 1);
        const double f = hi == lo ? 0.0 : (k - k1[lo]) / (k1[hi] - k1[lo]);
        const double later = w1[lo] + f * (w1[hi] - w1[lo]);
        if (later >= w * (1.0 - kSlack))
            continue;
        ArbitrageFinding finding;
        finding.kind = ArbitrageFinding::Kind::Calendar;
        finding.expiry = late.expiry;
        finding.earlier_expiry = early.expiry;
        finding.strikes = {q.strike, late.quotes[lo].strike};
        if (hi != lo)
            finding.strikes.push_back(late.quotes[hi].strike);
        finding.vol_points = 100.0 * (std::sqrt(w / late.expiry) - std::sqrt(later / late.expiry));
        out.push_back(finding);
    }
}

}  // namespace

std::vector<ArbitrageFinding> quote_arbitrage(const std::vector<ExpiryQuotes>& groups,
                                              const std::vector<double>& forwards, double absorb_vol_points)
{
    std::vector<ArbitrageFinding> out;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        butterflies(groups[i], forwards[i], out);
        if (i + 1 < groups.size())
            calendar(groups[i], forwards[i], groups[i + 1], forwards[i + 1], out);
    }
    for (ArbitrageFinding& f : out) {
        f.absorbed = f.vol_points <= absorb_vol_points;
        f.message = describe(f);
    }
    return out;
}
