#include "LocalVolatility.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

void LocalVolatility::sigma_or_throw(double t, const std::vector<double>& S, std::vector<double>& sigma) const
{
    std::string error;
    if (!sigma_on(t, S, sigma, error))
        throw std::runtime_error(error.empty() ? "the local volatility is not defined" : error);
}

double LocalVolatility::sigma_at(double S, double t) const
{
    std::vector<double> out;
    sigma_or_throw(t, std::vector<double>{S}, out);
    return out.front();
}

double LocalVolatility::highest(double T, double lo, double hi) const
{
    std::vector<double> S(64);
    for (std::size_t i = 0; i < S.size(); ++i)
        S[i] = lo * std::pow(hi / lo, static_cast<double>(i) / (S.size() - 1));
    std::vector<double> times;
    double from = 0.0;
    for (double b : time_breaks()) {
        if (b >= T)
            break;
        times.push_back(0.5 * (from + b));
        from = b;
    }
    times.push_back(0.5 * (from + T));
    for (int k = 0; k <= 16; ++k)
        times.push_back(T * k / 16.0);
    double top = 0.0;
    std::vector<double> out;
    for (double t : times) {
        sigma_or_throw(t, S, out);
        for (double s : out)
            top = std::max(top, s);
    }
    return top;
}

ShiftedLocalVolatility::ShiftedLocalVolatility(std::shared_ptr<const LocalVolatility> base, double shift)
    : base_(std::move(base)), shift_(shift)
{
}

bool ShiftedLocalVolatility::sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                                      std::string& error) const
{
    if (!base_->sigma_on(t, S, sigma, error))
        return false;
    for (std::size_t i = 0; i < sigma.size(); ++i) {
        sigma[i] += shift_;
        if (!(sigma[i] > 0.0)) {
            error = "the local volatility shifted by " + std::to_string(shift_) + " is not positive at S = " +
                    std::to_string(S[i]) + ", t = " + std::to_string(t);
            return false;
        }
    }
    return true;
}
