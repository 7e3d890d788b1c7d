#include "RateCurve.h"

#include "CurvePoints.h"

#include <cmath>

MarketResult<RateCurve> RateCurve::from_zero_rates(const std::vector<double>& times,
                                                   const std::vector<double>& zero_rates)
{
    int point = -1;
    const std::string why = curve_points_refusal(times, zero_rates, "rate", point);
    if (!why.empty())
        return MarketResult<RateCurve>::refused(why, point);
    std::vector<double> forwards(times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (std::fabs(zero_rates[i]) > 1.0)
            return MarketResult<RateCurve>::refused(curve_point_name(times, i) + ": the rate lies beyond +-100 %", static_cast<int>(i));
        forwards[i] = i == 0 ? zero_rates[0]
                             : (zero_rates[i] * times[i] - zero_rates[i - 1] * times[i - 1]) / (times[i] - times[i - 1]);
    }
    return MarketResult<RateCurve>::of(RateCurve(PiecewiseConstant(times, std::move(forwards))));
}

RateCurve RateCurve::flat(double rate) { return RateCurve(PiecewiseConstant({1.0}, {rate})); }

double RateCurve::discount(double a, double b) const { return std::exp(-integral(a, b)); }

double RateCurve::zero_rate(double t) const { return t > 0.0 ? integral(0.0, t) / t : forward(t); }

RateCurve RateCurve::shifted(double dr) const
{
    std::vector<double> forwards = forwards_.values();
    for (double& f : forwards)
        f += dr;
    return RateCurve(PiecewiseConstant(forwards_.ends(), std::move(forwards)));
}

MarketResult<RateCurve> dividend_curve_from_futures(const RateCurve& rates, const std::vector<double>& times,
                                                    const std::vector<double>& futures, double spot)
{
    if (!(std::isfinite(spot) && spot > 0.0))
        return MarketResult<RateCurve>::refused("the spot must be a positive number");
    int point = -1;
    std::string why = curve_points_refusal(times, futures, "futures price", point);
    if (!why.empty())
        return MarketResult<RateCurve>::refused(why, point);
    std::vector<double> zero(times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (!(futures[i] > 0.0))
            return MarketResult<RateCurve>::refused(curve_point_name(times, i) + ": the futures price must be positive", static_cast<int>(i));
        zero[i] = rates.zero_rate(times[i]) - std::log(futures[i] / spot) / times[i];
    }
    return RateCurve::from_zero_rates(times, zero);
}
