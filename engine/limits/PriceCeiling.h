#pragma once

// The top of the price grid (价格上限, S_max) is a reflecting edge: a price
// that has a fair chance of getting there during the structure's life is
// priced wrongly (at 300% volatility the window's default of twice the spot
// overprices a note by some 40%). These say when the edge is too low, under a
// lognormal price with drift r - q.

// Chance that the price, starting at S0, touches S_max at some time within T
// years (reflection principle). 1 when S_max <= S0; NaN for inputs that are
// not numbers or not positive (sigma, T, S0).
double ceiling_reach_chance(double S0, double S_max, double sigma, double r, double q, double T);

struct PricingRequest;

// The same for the grid of a request: 0 for methods that size their own grid
// (only the design grid has a fixed top).
double ceiling_reach_chance(const PricingRequest& request);

// Chances above this call the ceiling low.
constexpr double kCeilingReachLimit = 1e-3;

// The lowest ceiling whose reach chance is at most `chance`, rounded up to two
// significant digits so that it reads as a value a user would type. NaN for
// inputs ceiling_reach_chance refuses.
double safe_price_ceiling(double S0, double sigma, double r, double q, double T, double chance = kCeilingReachLimit);
