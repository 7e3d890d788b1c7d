#include "LocalVolGrid.h"

#include "CurvePoints.h"
#include "PiecewiseConstant.h"

#include <algorithm>
#include <cmath>

MarketResult<LocalVolGrid> LocalVolGrid::from_rows(const std::vector<double>& levels, const std::vector<double>& times,
                                                   const std::vector<std::vector<double>>& rows)
{
    using Result = MarketResult<LocalVolGrid>;
    if (levels.empty())
        return Result::refused("no price levels");
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (!(std::isfinite(levels[i]) && levels[i] > 0.0))
            return Result::refused("level " + std::to_string(i + 1) + ": must be a positive price");
        if (i > 0 && !(levels[i] > levels[i - 1]))
            return Result::refused("level " + std::to_string(i + 1) + ": levels must increase");
    }
    int point = -1;
    const std::string why = curve_points_refusal(times, std::vector<double>(rows.size(), 0.0), "volatility row", point);
    if (!why.empty())
        return Result::refused(why, point);
    for (std::size_t j = 0; j < rows.size(); ++j) {
        if (rows[j].size() != levels.size())
            return Result::refused(curve_point_name(times, j) + ": " + std::to_string(rows[j].size()) +
                                   " volatilities for " + std::to_string(levels.size()) + " levels", static_cast<int>(j));
        for (double v : rows[j])
            if (!(v > 0.0 && v <= 5.0))
                return Result::refused(curve_point_name(times, j) + ": a volatility must lie in (0, 500] %", static_cast<int>(j));
    }
    LocalVolGrid g;
    g.levels_ = levels;
    g.times_ = times;
    g.rows_ = rows;
    return Result::of(std::move(g));
}

double LocalVolGrid::row_value(const std::vector<double>& row, double S) const
{
    if (!(S > levels_.front()))
        return row.front();
    if (!(S < levels_.back()))
        return row.back();
    const std::size_t i = static_cast<std::size_t>(std::upper_bound(levels_.begin(), levels_.end(), S) - levels_.begin());
    const double w = (S - levels_[i - 1]) / (levels_[i] - levels_[i - 1]);
    return row[i - 1] + w * (row[i] - row[i - 1]);
}

bool LocalVolGrid::sigma_on(double t, const std::vector<double>& S, std::vector<double>& out, std::string&) const
{
    const std::vector<double>& row = rows_[piece_index(times_, t)];
    out.resize(S.size());
    for (std::size_t i = 0; i < S.size(); ++i)
        out[i] = row_value(row, S[i]);
    return true;
}

double LocalVolGrid::highest(double T, double lo, double hi) const
{
    // Linear between levels: the largest value lies on a level inside the
    // range or at one of its ends.
    double top = 0.0;
    for (std::size_t j = 0; j < rows_.size(); ++j) {
        top = std::max({top, row_value(rows_[j], lo), row_value(rows_[j], hi)});
        for (std::size_t i = 0; i < levels_.size(); ++i)
            if (levels_[i] >= lo && levels_[i] <= hi)
                top = std::max(top, rows_[j][i]);
        if (times_[j] >= T)
            break;
    }
    return top;
}

MarketResult<LocalVolGrid> LocalVolGrid::shifted(double dv) const
{
    std::vector<std::vector<double>> rows = rows_;
    for (auto& row : rows)
        for (double& v : row)
            v += dv;
    return from_rows(levels_, times_, rows);
}
