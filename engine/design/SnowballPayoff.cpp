#include "SnowballPayoff.h"

#include <algorithm>
#include <cmath>

SnowballPayoff::SnowballPayoff(const SnowballContract& terms, const SnowballGrid& grid, const PDEParams& params)
    : terms_(terms),
      grid_(grid),
      S0_(params.S0),
      r_(params.r),
      T_(params.T),
      principal_(terms.option_form() ? params.S0 : 0.0),
      top_participation_(terms.has_participation()
                             ? std::max((params.S_max - terms.call_strike) * terms.call_participation, 0.0)
                             : 0.0)
{
}

double SnowballPayoff::coupon_payout(int k, double t) const
{
    const double coupon = terms_.ko_coupon[k];
    return terms_.option_form() ? S0_ * coupon * t : S0_ * (1.0 + coupon * t);
}

double SnowballPayoff::participation_on_observation(int n) const
{
    if (terms_.has_participation() && n > grid_.strike_node)
        return (n - grid_.strike_node) * terms_.call_participation * grid_.dS;
    return 0.0;
}

double SnowballPayoff::participation_at_maturity(int n) const
{
    return std::max((n - grid_.strike_node) * terms_.call_participation, 0.0) * grid_.dS;
}

void SnowballPayoff::maturity_column(double* not_knocked_in, double* knocked_in) const
{
    const int last = static_cast<int>(grid_.obs_col.size()) - 1;
    const double knock_out_coupon = coupon_payout(last, T_);
    const double dividend = terms_.option_form() ? S0_ * terms_.div_coupon * T_
                                                 : S0_ * (1.0 + terms_.div_coupon * T_);
    for (int n = 0; n < grid_.M; ++n) {
        if (n >= grid_.ko_node[last]) {
            not_knocked_in[n] = knocked_in[n] = knock_out_coupon + participation_at_maturity(n);
        } else if (n <= grid_.floor_node) {
            not_knocked_in[n] = knocked_in[n] = terms_.floor_price - principal_;
        } else {
            const double underlying = grid_.price(n) - principal_;
            knocked_in[n] = underlying;
            not_knocked_in[n] = n > grid_.ki_node[last] ? dividend : underlying;
        }
    }
}

std::vector<double> SnowballPayoff::lower_boundary() const
{
    std::vector<double> values(static_cast<std::size_t>(grid_.N));
    for (int j = 0; j < grid_.N; ++j) {
        const double floor = terms_.has_floor() ? terms_.floor_price * std::exp(-r_ * (grid_.N - j) * grid_.dt) : 0.0;
        values[j] = floor - principal_;
    }
    return values;
}

std::vector<double> SnowballPayoff::upper_boundary() const
{
    std::vector<double> values(static_cast<std::size_t>(grid_.N) + 1);
    const std::size_t last = grid_.obs_col.size() - 1;
    std::size_t k = 0;
    for (int j = 0; j <= grid_.N; ++j) {
        const int column = grid_.obs_col[k];
        const double payout = coupon_payout(static_cast<int>(k), column * grid_.dt) + top_participation_;
        values[j] = std::exp(-r_ * (column - j) * grid_.dt) * payout;
        if (j == column && k != last)
            ++k;
    }
    return values;
}
