#include "StructureDescription.h"

#include <cstdio>
#include <limits>
#include <vector>

namespace {

double first_or_nan(const std::vector<double>& values)
{
    return values.empty() ? std::numeric_limits<double>::quiet_NaN() : values.front();
}

}  // namespace

std::string structure_description(const SnowballContract& contract, const PDEParams& params)
{
    std::string text;
    char buffer[1024];
    for (double t : contract.obs_times) {
        std::snprintf(buffer, sizeof buffer, "%f-", t);
        text += buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f",
                  first_or_nan(contract.ko_barrier), first_or_nan(contract.ko_coupon),
                  first_or_nan(contract.ki_barrier), contract.div_coupon, contract.floor_price,
                  contract.call_strike, contract.call_participation, contract.option_form() ? 1.0 : 0.0,
                  params.S0, params.S_max, params.sigma, params.r, params.q, params.T,
                  static_cast<double>(params.M), static_cast<double>(params.N));
    text += buffer;
    return text;
}
