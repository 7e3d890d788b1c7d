#pragma once

#include "MarketModel.h"

#include <cstddef>
#include <vector>

// The time steps of the reference Monte Carlo's local volatility paths:
// log-Euler steps x += m - 1/2 s^2 h + s sqrt(h) Z, m the integral of
// r - q over the step (exact, so e^{-int (r-q)} S stays a martingale) and
// s = sigma(S, t) at the step's start price. Several levels on the same
// Brownian path, level l taking coarse_per_day * 2^l steps a trading day
// (at least one between two monitoring times), so the time bias can be
// extrapolated away and measured. sigma is read from tables in x = ln S
// (linear between 2048 cells, flat beyond; for a grid the cells span its
// levels, so flat beyond is the grid's own rule), one table per piece
// between the model's time breaks, or per step for a volatility that moves
// continuously in time.
class LocalVolSteps
{
public:
    struct Step
    {
        double drift;   // integral of r - q over the step
        double half_h, sqrt_h;
        const double* table;  // per cell: sigma at its start and its rise over the cell
    };

    LocalVolSteps(const MarketModel& market, double T, const std::vector<double>& event_times, int year_days,
                  int coarse_per_day, int levels);

    // Level l's steps in the interval that ends at event i (i >= 1).
    const Step* begin(int level, std::size_t i) const { return &steps_[level][first_[level][i - 1]]; }
    const Step* end(int level, std::size_t i) const { return &steps_[level][0] + first_[level][i]; }

    double sigma(const double* table, double x) const
    {
        double u = (x - x0_) * inverse_cell_;
        u = u < 0.0 ? 0.0 : (u > kCells ? kCells : u);
        int i = static_cast<int>(u);
        i = i < kCells ? i : kCells - 1;
        return table[2 * i] + (u - i) * table[2 * i + 1];
    }

private:
    static constexpr int kCells = 2048;
    // Index in tables_ of sigma at time t, built when first needed.
    std::size_t table_index(const MarketModel& market, double t);

    double x0_ = 0.0, inverse_cell_ = 1.0;
    std::vector<double> S_nodes_;
    std::vector<double> breaks_;
    bool piecewise_ = true;
    std::vector<std::vector<double>> tables_;   // built tables
    std::vector<long> piece_table_;             // table of each piece, -1 before it is built
    std::vector<std::vector<Step>> steps_;      // by level
    std::vector<std::vector<std::size_t>> first_;  // by level: steps_[l] index of each interval's first step, and the end
};
