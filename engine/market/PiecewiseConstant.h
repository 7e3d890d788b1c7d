#pragma once

#include <cstddef>
#include <vector>

// A function of time constant on (t_{i-1}, t_i], t_0 = 0, the last value
// continuing beyond the last end (and the first one at and before 0): the
// shape of the forward rates, the instantaneous variance and the rows of a
// local volatility grid. Ends ascending and positive, one value per end.
class PiecewiseConstant
{
public:
    PiecewiseConstant() = default;
    PiecewiseConstant(std::vector<double> ends, std::vector<double> values);

    const std::vector<double>& ends() const { return ends_; }
    const std::vector<double>& values() const { return values_; }
    bool constant() const;
    // Where the value may change: every end but the last (the last piece continues).
    std::vector<double> breaks() const { return std::vector<double>(ends_.begin(), ends_.end() - 1); }

    // Index of the piece that holds t.
    std::size_t piece(double t) const;
    double at(double t) const { return values_[piece(t)]; }
    // Integral over [a, b], a <= b; within one piece exactly value * (b - a).
    double integral(double a, double b) const;

private:
    std::vector<double> ends_, values_;
};

// Index of the piece (t_{j-1}, t_j] of ascending ends that holds t; the last
// one also holds everything after it.
std::size_t piece_index(const std::vector<double>& ends, double t);
