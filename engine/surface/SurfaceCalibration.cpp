#include "SurfaceCalibration.h"

#include "AccurateScheme.h"
#include "BlackFormula.h"
#include "SviFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Standard deviations (of the expiry's at-the-money total variance) that
// the local volatility band and the fit's conditions reach past the quotes'
// widest moneyness; the conditions reach further than the band is used.
const double kBandMargin = 4.0;
const double kCheckMargin = 5.0;
const int kCheckPoints = 41;
// Where the local variance is checked before it is handed out.
const int kValidationTimes = 6;
const int kValidationPoints = 61;

std::string number(double v)
{
    std::ostringstream out;
    out << v;
    return out.str();
}

// Quoted total variance at the money, linear in k between the nearest quotes.
double atm_variance(const std::vector<double>& k, const std::vector<double>& w)
{
    const std::size_t i = static_cast<std::size_t>(std::upper_bound(k.begin(), k.end(), 0.0) - k.begin());
    if (i == 0)
        return w.front();
    if (i == k.size())
        return w.back();
    return w[i - 1] + (0.0 - k[i - 1]) / (k[i] - k[i - 1]) * (w[i] - w[i - 1]);
}

// Sigma on a moneyness grid across the band at times inside every interval.
bool validate(const DupireLocalVol& lv, const std::vector<double>& expiries, std::string& error)
{
    std::vector<double> ends(expiries);
    ends.push_back(2.0 * expiries.back());
    double start = 0.0;
    std::vector<double> S(kValidationPoints), sigma;
    for (double end : ends) {
        for (int j = 0; j <= kValidationTimes; ++j) {
            const double t = j == kValidationTimes ? end : start + (j + 0.5) / kValidationTimes * (end - start);
            double k_low, k_high;
            lv.band(t, k_low, k_high);
            const double F = lv.forward().forward(lv.spot(), t);
            for (int i = 0; i < kValidationPoints; ++i)
                S[i] = F * std::exp(k_low + (k_high - k_low) * i / (kValidationPoints - 1));
            if (!lv.sigma_on(t, S, sigma, error))
                return false;
        }
        start = end;
    }
    return true;
}

SurfaceCalibration calibrate(const std::vector<VolQuote>& quotes, double spot, const ForwardCurve& forward,
                             const SurfaceOptions& options)
{
    SurfaceCalibration c;
    c.spot = spot;
    c.max_error_bp = kNaN;
    std::vector<std::string> refusals = quote_refusals(quotes);
    if (!(std::isfinite(spot) && spot > 0.0))
        refusals.push_back("the spot must be a positive number");
    const std::vector<ExpiryQuotes> groups = group_by_expiry(quotes);
    std::vector<double> forwards;
    for (const ExpiryQuotes& g : groups) {
        forwards.push_back(forward.forward(spot, g.expiry));
        if (refusals.empty() && !(std::isfinite(forwards.back()) && forwards.back() > 0.0))
            refusals.push_back("the forward to " + number(g.expiry) + " is not a positive number");
    }
    if (refusals.empty()) {
        c.arbitrage = quote_arbitrage(groups, forwards, options.absorb_vol_points);
        for (const ArbitrageFinding& f : c.arbitrage)
            if (!f.absorbed)
                refusals.push_back(f.message);
    }
    if (!refusals.empty()) {
        for (const std::string& r : refusals)
            c.error += (c.error.empty() ? "" : "\n") + r;
        return c;
    }

    // Moneyness of the quotes, and how far the band and checks reach.
    const std::size_t n = groups.size();
    std::vector<SviFitInput> inputs(n);
    std::vector<double> atm_root(n);
    double z_low = 0.0, z_high = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        SviFitInput& in = inputs[i];
        in.T = groups[i].expiry;
        std::vector<double> w;
        for (const VolQuote& q : groups[i].quotes) {
            in.k.push_back(std::log(q.strike / forwards[i]));
            in.vol.push_back(q.vol);
            w.push_back(q.vol * q.vol * in.T);
        }
        atm_root[i] = std::sqrt(atm_variance(in.k, w));
        z_low = std::min(z_low, in.k.front() / atm_root[i]);
        z_high = std::max(z_high, in.k.back() / atm_root[i]);
    }
    std::vector<double> expiries;
    std::vector<SviSlice> slices;
    for (std::size_t i = 0; i < n; ++i) {
        SviFitInput& in = inputs[i];
        const double lo = (z_low - kCheckMargin) * atm_root[i], hi = (z_high + kCheckMargin) * atm_root[i];
        for (int j = 0; j < kCheckPoints; ++j)
            in.check_k.push_back(lo + (hi - lo) * j / (kCheckPoints - 1));
        in.floor = slices.empty() ? nullptr : &slices.back();
        const SviFitResult fit = fit_svi(in);
        if (!fit.feasible) {
            std::string where;
            for (const VolQuote& q : groups[i].quotes)
                where += (where.empty() ? "" : ", ") + q.source;
            c.error = "expiry " + number(in.T) + " (" + where +
                      "): no smile free of butterfly arbitrage and above the earlier expiry's fits these quotes";
            return c;
        }
        expiries.push_back(in.T);
        slices.push_back(fit.slice);
    }
    c.surface = std::make_shared<SviSurface>(expiries, slices);
    auto lv = std::make_shared<DupireLocalVol>(c.surface, forward, spot, z_low - kBandMargin, z_high + kBandMargin,
                                               expiries);
    std::string where;
    if (!validate(*lv, expiries, where)) {
        c.error = where;
        return c;
    }
    c.local_vol = lv;

    c.max_fit_error_bp = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < groups[i].quotes.size(); ++j) {
            QuoteResult r;
            r.quote = groups[i].quotes[j];
            r.forward = forwards[i];
            r.fitted_vol = std::sqrt(slices[i].w(inputs[i].k[j]) / expiries[i]);
            r.repriced_vol = kNaN;
            r.error_bp = kNaN;
            c.max_fit_error_bp = std::max(c.max_fit_error_bp, 1e4 * std::fabs(r.fitted_vol - r.quote.vol));
            c.quotes.push_back(r);
        }
    }
    return c;
}

}  // namespace

SurfaceCalibration calibrate_surface(const std::vector<VolQuote>& quotes, double spot, const ForwardCurve& forward,
                                     const SurfaceOptions& options)
{
    return accurate_guarded<SurfaceCalibration>([&] { return calibrate(quotes, spot, forward, options); });
}

bool reprice_quotes(SurfaceCalibration& c, const LocalVolatility& local_vol, const ForwardCurve& forward,
                    std::string& error, const LocalVolResolution& resolution)
{
    if (!c.ok()) {
        error = c.error;
        return false;
    }
    // Each quote's out-of-the-money option: its price carries the
    // volatility with the least cancellation.
    std::vector<EuropeanOption> options;
    for (const QuoteResult& q : c.quotes)
        options.push_back({q.quote.expiry, q.quote.strike, q.quote.strike >= q.forward});
    const EuropeanPrices prices = price_europeans(local_vol, forward, c.spot, options, resolution);
    if (!prices.ok()) {
        error = prices.error;
        return false;
    }
    c.max_error_bp = 0.0;
    for (std::size_t i = 0; i < c.quotes.size(); ++i) {
        QuoteResult& q = c.quotes[i];
        const double T = q.quote.expiry;
        const double undiscounted = prices.price[i] / forward.discount_factor(T);
        const double s = black_implied_deviation(q.forward, q.quote.strike, undiscounted, options[i].call);
        q.repriced_vol = s / std::sqrt(T);
        q.error_bp = 1e4 * (q.repriced_vol - q.quote.vol);
        c.max_error_bp = std::isnan(q.error_bp) || std::isnan(c.max_error_bp)
                             ? kNaN
                             : std::max(c.max_error_bp, std::fabs(q.error_bp));
    }
    return true;
}
