#pragma once

#include "ForwardCurve.h"
#include "LocalVolatility.h"

#include <string>
#include <vector>

// European options under a local volatility sigma(S, t) with the rates of a
// forward curve: dV/dt + 1/2 sigma^2 S^2 V_SS + (r - q) S V_S - r V = 0.
//
// The scheme is the accurate pricer's: its sinh-stretched price grid (here
// crowded at the spot, which is a node), its operator (central differences,
// upwind where they would couple negatively) rebuilt every step from the
// local volatility at the step's middle and the curve's average rates over
// the step, Crank-Nicolson with two implicit half steps after each expiry's
// payoff (Rannacher), payoffs averaged over each node's cell.
//
// Why one forward pass: every quote needs its own payoff, but all of them are
// read off one pass of the scheme's exact discrete adjoint (p' = B^T A^-T p
// from the spot's node, the steps in reverse order), as the accurate
// probability profile does: the price of a payoff is sum_n p_n payoff_n,
// exactly the number the backward scheme gives for it at the spot, at the
// cost of one solve for all strikes and expiries.

struct EuropeanOption
{
    double expiry = 0.0;  // years
    double strike = 0.0;
    bool call = false;
};

// Cells of the price grid; time steps no longer than 1 / steps_per_year and
// at least min_steps between two expiries. The default reprices a steep two-
// week skew's 3-deviation wings within a few volatility basis points.
struct LocalVolResolution
{
    int cells = 800;
    double steps_per_year = 1000.0;
    long min_steps = 160;
};

struct EuropeanPrices
{
    bool ok() const { return error.empty(); }
    std::string error;
    std::vector<double> price;  // discounted, one per option, in the spot's units
    long time_steps = 0;
    std::size_t nodes = 0;
};

// Never throws; refusals (a spot, expiry or strike that is not a positive
// number, a curve that is not ok, a resolution out of range) and a local
// volatility that is undefined somewhere on the grid come back in error.
EuropeanPrices price_europeans(const LocalVolatility& sigma, const ForwardCurve& forward, double spot,
                               const std::vector<EuropeanOption>& options,
                               const LocalVolResolution& resolution = LocalVolResolution());
