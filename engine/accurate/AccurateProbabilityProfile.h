#pragma once

#include "AccuratePricer.h"
#include "Probabilities.h"

// The probability profile in accurate mode: the same figures as
// probability_profile (knock-out at each observation, maturity, knock-in,
// loss, expected life), with the accurate pricer's grid, time steps and
// contract monitoring (knock-in at every trading day's close and at
// maturity, knock-out on the observation dates), so they are what that
// pricer gives for the matching indicator payoffs: two resolutions combined
// by Richardson extrapolation, with an error estimate per figure (the
// *_error fields). Probabilities are under the pricing measure (drift r - q).
//
// knocked_in: the structure has already knocked in (its knock-in
// probability is then 1). Refuses what the accurate pricer refuses; a
// progress hook returning false stops it (outcome Cancelled
// "cancelled"). Never throws.
ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const PDEParams& model,
                                                int year_days, bool knocked_in = false,
                                                const ProgressHook& progress = ProgressHook());

// The same at another resolution (convergence studies).
ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const PDEParams& model,
                                                int year_days, const AccurateResolution& resolution,
                                                bool knocked_in = false,
                                                const ProgressHook& progress = ProgressHook());

// The same under a market model maturing T years after the valuation date:
// the adjoint of the accurate pricer under that model (drift r(t) - q(t),
// sigma(S, t)). A flat market model gives exactly the flat model's figures.
ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const MarketModel& market, double T,
                                                int year_days, bool knocked_in = false,
                                                const ProgressHook& progress = ProgressHook());
ProbabilityProfile probability_profile_accurate(const SnowballContract& contract, const MarketModel& market, double T,
                                                int year_days, const AccurateResolution& resolution,
                                                bool knocked_in = false,
                                                const ProgressHook& progress = ProgressHook());
