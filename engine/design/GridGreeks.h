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
