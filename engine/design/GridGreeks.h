#pragma once

#include <newmat/newmat.h>

// Finite differences of one value grid V (rows: price nodes dS apart,
// columns: times dt apart) into Delta, Gamma and Theta grids of its shape:
// central in price inside, one-sided at the edges, Gamma copied to the edge
// rows, Theta a forward difference with the last column copied.
void finite_difference_greeks(const NEWMAT::Matrix& V, double dS, double dt, NEWMAT::Matrix& delta,
                              NEWMAT::Matrix& gamma, NEWMAT::Matrix& theta);

// out = (bumped - base) * scale, cell by cell (Vega, Rho).
void bump_sensitivity(const NEWMAT::Matrix& bumped, const NEWMAT::Matrix& base, double scale,
                      NEWMAT::Matrix& out);

bool same_shape(const NEWMAT::Matrix& a, const NEWMAT::Matrix& b);

// The value of one grid at spot S and remaining time tau (years): linear in
// price, the nearest column in time (halves away from zero, clamped to
// 0..N; a tau that is negative or NaN reads today). NaN off the grid, on an
// empty grid, or for a column the grid does not have. T and N are those the
// lookup is asked with, dS and dt the grid's own.
double grid_lookup(const NEWMAT::Matrix& grid, double S, double tau, double T, int N, double dS, double dt);
