#pragma once

#include "PDEParams.h"
#include "SnowballContract.h"

#include <string>

// The terms and model on one line, as the Greeks log line prints them: the
// observation times each followed by "-", then the first knock-out barrier,
// coupon and knock-in barrier (nan for an empty schedule), the dividend
// coupon, floor, strike, participation, the form (0 note, 1 option), and S0,
// S_max, sigma, r, q, T, M, N.
std::string structure_description(const SnowballContract& contract, const PDEParams& model);
