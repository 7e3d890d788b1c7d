#pragma once

#include "PDEParams.h"

#include <newmat/newmat.h>

#include <vector>

// Prices one snowball by solving the Black-Scholes equation backwards on a
// uniform price x time grid with a fully implicit scheme, keeping a
// not-knocked-in and a knocked-in value grid side by side. Returns the value
// of the not-knocked-in structure today at the spot node, or NaN when the
// inputs are refused. Writes 0 into params.q when it is NaN; writes dS/dt and
// the two grids through the output pointers that are set.
double auto_call_finite_diff_implicit(const std::vector<double>& obs_times,
                                      const std::vector<double>& ko_barrier,
                                      const std::vector<double>& ko_coupon,
                                      const std::vector<double>& ki_barrier, double div_coupon,
                                      double floor_price, double call_strike,
                                      double call_participation, double payoff_type,
                                      PDEParams& params);

// How each time step is solved: the factored tridiagonal operator (the
// engine's way), or the product with the stored dense inverse (the
// reference, kept for tests and benchmarks).
enum class StepMethod { Factored, DenseInverse };

double auto_call_finite_diff_implicit(const std::vector<double>& obs_times,
                                      const std::vector<double>& ko_barrier,
                                      const std::vector<double>& ko_coupon,
                                      const std::vector<double>& ki_barrier, double div_coupon,
                                      double floor_price, double call_strike,
                                      double call_participation, double payoff_type,
                                      PDEParams& params, StepMethod method);

// Time column nearest(t/dt) of every observation. False, after an error log
// line, for a time below 0 or above T, for two observations on the same (or
// a descending) column, and for an empty schedule.
bool observation_columns(const std::vector<double>& obs_times, double dt, double T,
                         std::vector<int>& columns);

// Dense inverse of the interior part (nodes 1..M-1) of the implicit operator:
// the reference the factored solver is checked against. False when M < 3 or
// the (M-1)x(M-1) matrix cannot be built.
bool implicit_operator_inverse(int M, double mu, double r, double sigma2, double dt,
                               NEWMAT::Matrix& inverse);
