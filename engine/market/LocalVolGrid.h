#pragma once

#include "LocalVolatility.h"
#include "MarketResult.h"

#include <vector>

// A local volatility grid: absolute price levels L_1 < ... < L_k and rows
// (t_j; s_j1 ... s_jk) (decimals). sigma(S, t) for t in (t_{j-1}, t_j] is row
// j, linear in S between levels and flat outside [L_1, L_k]; the last row
// continues beyond t_n (and the first holds at and before 0).
class LocalVolGrid : public LocalVolatility
{
public:
    // Refuses levels that are not positive and increasing, row times that
    // are not positive and rising, rows of the wrong length and volatilities
    // not in (0, 5], naming the row (point) or level.
    static MarketResult<LocalVolGrid> from_rows(const std::vector<double>& levels, const std::vector<double>& times,
                                                const std::vector<std::vector<double>>& rows);

    bool sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                  std::string& error) const override;
    std::vector<double> time_breaks() const override { return {times_.begin(), times_.end() - 1}; }
    bool constant_between_breaks() const override { return true; }
    double highest(double T, double lo, double hi) const override;

    const std::vector<double>& levels() const { return levels_; }
    const std::vector<double>& times() const { return times_; }
    const std::vector<std::vector<double>>& rows() const { return rows_; }
    // Every volatility moved by dv (refused when one leaves (0, 5]).
    MarketResult<LocalVolGrid> shifted(double dv) const;

private:
    double row_value(const std::vector<double>& row, double S) const;
    std::vector<double> levels_, times_;
    std::vector<std::vector<double>> rows_;
};
