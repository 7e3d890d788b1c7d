#pragma once

#include <vector>

class RandomStream;

// Monte Carlo price of a snowball note in percent of the notional (100 is
// par): daily lognormal paths, no dividend yield, no dividend coupon. Draws
// from the process-wide stream (MT19937, default seed, never reseeded), so
// the first run after start is the same in every process. NaN when the
// inputs are refused.
double price_monte_carlo(double S0, const std::vector<double>& obs_times,
                         const std::vector<double>& ko_barrier, const std::vector<double>& ko_coupon,
                         const std::vector<double>& ki_barrier, double floor, double strike,
                         double participation, double r, double sigma, double T, int steps_per_year,
                         int paths);

// The same on a caller's stream (tests, benchmarks).
double price_monte_carlo(RandomStream& stream, double S0, const std::vector<double>& obs_times,
                         const std::vector<double>& ko_barrier, const std::vector<double>& ko_coupon,
                         const std::vector<double>& ki_barrier, double floor, double strike,
                         double participation, double r, double sigma, double T, int steps_per_year,
                         int paths);
