#include "VolatilityTermCurve.h"

#include "CurvePoints.h"

#include <cmath>

MarketResult<VolatilityTermCurve> VolatilityTermCurve::from_black_vols(const std::vector<double>& times,
                                                                       const std::vector<double>& vols)
{
    using Result = MarketResult<VolatilityTermCurve>;
    int point = -1;
    const std::string why = curve_points_refusal(times, vols, "volatility", point);
    if (!why.empty())
        return Result::refused(why, point);
    std::vector<double> variance(times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (!(vols[i] > 0.0 && vols[i] <= 5.0))
            return Result::refused(curve_point_name(times, i) + ": the volatility must lie in (0, 500] %", static_cast<int>(i));
        variance[i] = i == 0 ? vols[0] * vols[0]
                             : (vols[i] * vols[i] * times[i] - vols[i - 1] * vols[i - 1] * times[i - 1]) /
                                   (times[i] - times[i - 1]);
        if (!(variance[i] >= 0.0))
            return Result::refused(curve_point_name(times, i) +
                                   ": calendar arbitrage, the total variance falls from the point before", static_cast<int>(i));
    }
    VolatilityTermCurve c;
    c.times_ = times;
    c.vols_ = vols;
    c.variance_ = PiecewiseConstant(times, std::move(variance));
    return Result::of(std::move(c));
}

double VolatilityTermCurve::sigma(double t) const { return std::sqrt(variance_.at(t)); }

std::vector<double> VolatilityTermCurve::shifted_vols(double dv) const
{
    std::vector<double> v = vols_;
    for (double& x : v)
        x += dv;
    return v;
}
