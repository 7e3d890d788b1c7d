#include "MarketModel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

class FlatVolatility : public LocalVolatility
{
public:
    explicit FlatVolatility(double sigma) : sigma_(sigma) {}
    bool sigma_on(double, const std::vector<double>& S, std::vector<double>& out, std::string&) const override
    {
        out.assign(S.size(), sigma_);
        return true;
    }
    bool constant_between_breaks() const override { return true; }
    bool depends_on_spot() const override { return false; }
    double highest(double, double, double) const override { return sigma_; }

private:
    double sigma_;
};

class TermVolatility : public LocalVolatility
{
public:
    explicit TermVolatility(const VolatilityTermCurve& curve) : curve_(curve) {}
    bool sigma_on(double t, const std::vector<double>& S, std::vector<double>& out, std::string&) const override
    {
        out.assign(S.size(), curve_.sigma(t));
        return true;
    }
    std::vector<double> time_breaks() const override { return curve_.variance().breaks(); }
    bool constant_between_breaks() const override { return true; }
    bool depends_on_spot() const override { return false; }
    double highest(double T, double, double) const override
    {
        double top = 0.0;
        for (double t : curve_.times()) {
            top = std::max(top, curve_.sigma(t));
            if (t >= T)
                break;
        }
        return top;
    }

private:
    VolatilityTermCurve curve_;
};

}  // namespace

MarketModel::MarketModel(double S0, double sigma) : S0_(S0), sigma_(sigma) {}

MarketResult<MarketModel> MarketModel::flat(double S0, double sigma, double r, double q)
{
    if (!(std::isfinite(S0) && S0 > 0.0))
        return MarketResult<MarketModel>::refused("spot must be a positive number");
    if (!(std::isfinite(sigma) && sigma > 0.0))
        return MarketResult<MarketModel>::refused("volatility must be a positive number");
    if (!std::isfinite(r) || std::isinf(q))
        return MarketResult<MarketModel>::refused("rate and dividend yield must be numbers");
    MarketModel m(S0, sigma);
    m.rates_ = RateCurve::flat(r);
    m.dividends_ = RateCurve::flat(std::isnan(q) ? 0.0 : q);
    m.set_volatility_view();
    return MarketResult<MarketModel>::of(std::move(m));
}

void MarketModel::set_volatility_view()
{
    switch (kind_) {
    case Volatility::Flat:
        local_ = std::make_shared<FlatVolatility>(sigma_);
        break;
    case Volatility::TermCurve:
        local_ = std::make_shared<TermVolatility>(*term_);
        break;
    case Volatility::LocalGrid:
        local_ = std::make_shared<LocalVolGrid>(*grid_);
        break;
    case Volatility::LocalFunction:
        break;  // set by the caller
    }
}

MarketModel MarketModel::with_rates(RateCurve rates) const
{
    MarketModel m = *this;
    m.rates_ = std::move(rates);
    return m;
}

MarketModel MarketModel::with_dividends(RateCurve dividends) const
{
    MarketModel m = *this;
    m.dividends_ = std::move(dividends);
    return m;
}

MarketModel MarketModel::with_volatility_input(Volatility kind, std::optional<VolatilityTermCurve> term,
                                               std::optional<LocalVolGrid> grid) const
{
    MarketModel m = *this;
    m.kind_ = kind;
    m.term_ = std::move(term);
    m.grid_ = std::move(grid);
    m.set_volatility_view();
    return m;
}

MarketModel MarketModel::with_volatility(VolatilityTermCurve curve) const
{
    return with_volatility_input(Volatility::TermCurve, std::move(curve), std::nullopt);
}

MarketModel MarketModel::with_volatility(LocalVolGrid grid) const
{
    return with_volatility_input(Volatility::LocalGrid, std::nullopt, std::move(grid));
}

MarketResult<MarketModel> MarketModel::with_volatility(std::shared_ptr<const LocalVolatility> local,
                                                  std::string name) const
{
    if (!local)
        return MarketResult<MarketModel>::refused("no local volatility");
    MarketModel m = *this;
    m.kind_ = Volatility::LocalFunction;
    m.term_.reset();
    m.grid_.reset();
    m.local_ = std::move(local);
    m.function_name_ = std::move(name);
    return MarketResult<MarketModel>::of(std::move(m));
}

MarketModel MarketModel::with_spot(double S) const
{
    MarketModel m = *this;
    m.S0_ = S;
    return m;
}

MarketResult<MarketModel> MarketModel::with_volatility_shift(double dv) const
{
    MarketResult<MarketModel> shifted = shifted_volatility(dv);
    if (shifted.ok())
        shifted.value->volatility_shift_ = volatility_shift_ + dv;
    return shifted;
}

MarketResult<MarketModel> MarketModel::shifted_volatility(double dv) const
{
    using Result = MarketResult<MarketModel>;
    switch (kind_) {
    case Volatility::Flat: {
        if (!(sigma_ + dv > 0.0))
            return Result::refused("the shifted volatility is not positive");
        MarketModel m = *this;
        m.sigma_ = sigma_ + dv;
        m.set_volatility_view();
        return Result::of(std::move(m));
    }
    case Volatility::TermCurve: {
        MarketResult<VolatilityTermCurve> curve = term_->shifted(dv);
        if (!curve.ok())
            return Result::refused(curve.error);
        return Result::of(with_volatility(std::move(*curve.value)));
    }
    case Volatility::LocalGrid: {
        MarketResult<LocalVolGrid> grid = grid_->shifted(dv);
        if (!grid.ok())
            return Result::refused(grid.error);
        return Result::of(with_volatility(std::move(*grid.value)));
    }
    case Volatility::LocalFunction:
        break;
    }
    return with_volatility(std::make_shared<ShiftedLocalVolatility>(local_, dv), function_name_);
}

MarketModel MarketModel::with_rate_shift(double dr) const { return with_rates(rates_.shifted(dr)); }

bool MarketModel::is_flat() const
{
    // A term curve of one instantaneous variance (one point, say) is the flat
    // volatility it holds: priced by the flat model's code, it gives the flat
    // fields' numbers bit for bit.
    return (kind_ == Volatility::Flat || flat_term_curve()) && rates_.is_flat() && dividends_.is_flat();
}

bool MarketModel::flat_term_curve() const
{
    return kind_ == Volatility::TermCurve && term_ && term_->variance().constant();
}

PDEParams MarketModel::flat_params(double T) const
{
    PDEParams p;
    p.S0 = S0_;
    p.sigma = flat_term_curve() ? term_->black_vols().front() : sigma_;
    p.r = flat_rate();
    p.q = flat_dividend();
    p.T = T;
    return p;
}

std::string MarketModel::name() const
{
    if (kind_ == Volatility::LocalFunction)
        return function_name_;
    if (local_->depends_on_spot())
        return "local volatility";
    return kind_ == Volatility::Flat && is_flat() ? "flat" : "curves";
}

std::vector<double> MarketModel::time_breaks(double T) const
{
    std::vector<double> breaks;
    for (const std::vector<double>& more :
         {rates_.forwards().breaks(), dividends_.forwards().breaks(), local_->time_breaks()})
        breaks.insert(breaks.end(), more.begin(), more.end());
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    breaks.erase(std::remove_if(breaks.begin(), breaks.end(), [&](double t) { return !(t > 0.0 && t < T); }),
                 breaks.end());
    return breaks;
}

double MarketModel::variance_integral(double a, double b) const
{
    if (kind_ == Volatility::TermCurve)
        return term_->variance().integral(a, b);
    if (kind_ == Volatility::Flat)
        return sigma_ * sigma_ * (b - a);
    // S-independent functions: midpoint rule over the pieces between breaks.
    std::vector<double> points{a};
    for (double t : local_->time_breaks())
        if (t > a && t < b)
            points.push_back(t);
    points.push_back(b);
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const double s = local_->sigma_at(S0_, 0.5 * (points[i] + points[i + 1]));
        sum += s * s * (points[i + 1] - points[i]);
    }
    return sum;
}
