#pragma once

#include "SnowballContract.h"
#include "SolverResult.h"

#include <newmat/newmat.h>

#include <vector>

// How each time step is solved: the factored tridiagonal operator (the
// engine's way), or the product with the stored dense inverse (the
// reference, kept for tests and benchmarks).
enum class StepMethod { Factored, DenseInverse };

// Prices one snowball by solving the Black-Scholes equation backwards on a
// uniform price x time grid with a fully implicit scheme, keeping a
// not-knocked-in and a knocked-in value grid side by side. The result holds
// the value of the not-knocked-in structure today at the spot node, or NaN
// when the inputs are refused (or the progress hook stopped the run), and the
// two grids when asked for. A NaN dividend yield is taken as 0.
SolverResult auto_call_finite_diff_implicit(const SnowballContract& contract, const PDEParams& params,
                                            GridOutput output = GridOutput::PriceOnly,
                                            StepMethod method = StepMethod::Factored,
                                            const ProgressHook& progress = ProgressHook());

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
