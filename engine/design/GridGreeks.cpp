#include "GridGreeks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

bool same_shape(const NEWMAT::Matrix& a, const NEWMAT::Matrix& b)
{
    return a.Nrows() == b.Nrows() && a.Ncols() == b.Ncols();
}

void finite_difference_greeks(const NEWMAT::Matrix& V, double dS, double dt, NEWMAT::Matrix& delta,
                              NEWMAT::Matrix& gamma, NEWMAT::Matrix& theta)
{
    const int R = V.Nrows();
    const int C = V.Ncols();
    if (R < 2 || C < 2)
        return;
    if (!same_shape(delta, V))
        delta.ReSize(R, C);
    if (!same_shape(gamma, V))
        gamma.ReSize(R, C);
    if (R == 2)
        gamma = 0.0;  // no interior row to take a curvature from
    if (!same_shape(theta, V))
        theta.ReSize(R, C);

    // Row-major stores: row r (a price node) is C values over time.
    const double* v = V.Store();
    double* d = delta.Store();
    double* g = gamma.Store();
    double* th = theta.Store();
    const double dS2 = dS * dS;
    for (int r = 0; r < R; ++r) {
        const double* row = v + static_cast<long>(r) * C;
        double* d_row = d + static_cast<long>(r) * C;
        double* g_row = g + static_cast<long>(r) * C;
        if (r == 0) {
            for (int c = 0; c < C; ++c)
                d_row[c] = (row[C + c] - row[c]) / dS;
        } else if (r == R - 1) {
            for (int c = 0; c < C; ++c)
                d_row[c] = (row[c] - row[c - C]) / dS;
        } else {
            const double* up = row + C;
            const double* down = row - C;
            for (int c = 0; c < C; ++c) {
                d_row[c] = (up[c] - down[c]) * 0.5 / dS;
                g_row[c] = (up[c] - 2.0 * row[c] + down[c]) / dS2;
            }
        }
        double* th_row = th + static_cast<long>(r) * C;
        for (int c = 0; c + 1 < C; ++c)
            th_row[c] = (row[c + 1] - row[c]) / dt;
        th_row[C - 1] = th_row[C - 2];
    }
    if (R > 2) {
        for (int c = 0; c < C; ++c) {
            g[c] = g[C + c];
            g[static_cast<long>(R - 1) * C + c] = g[static_cast<long>(R - 2) * C + c];
        }
    }
}

void bump_sensitivity(const NEWMAT::Matrix& bumped, const NEWMAT::Matrix& base, double scale, NEWMAT::Matrix& out)
{
    if (!same_shape(out, base))
        out.ReSize(base.Nrows(), base.Ncols());
    const double* b = bumped.Store();
    const double* v = base.Store();
    double* o = out.Store();
    const long cells = static_cast<long>(base.Nrows()) * base.Ncols();
    for (long i = 0; i < cells; ++i)
        o[i] = (b[i] - v[i]) * scale;
}

double grid_lookup(const NEWMAT::Matrix& grid, double S, double tau, double T, int N, double dS, double dt)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    int column = 0;
    if (tau >= 0.0) {
        const double j = std::round((T - tau) / dt);
        if (!std::isnan(j))
            column = static_cast<int>(std::fmin(std::fmax(j, 0.0), static_cast<double>(std::max(N, 0))));
    }
    const int R = grid.Nrows();
    if (column >= grid.Ncols())
        return nan;
    const double x = S / dS;
    if (std::isnan(x) || x < 0.0 || x > R - 1)
        return nan;

    const double lo = std::floor(x);
    const double hi = std::ceil(x);
    const double* cells = grid.Store();
    const int C = grid.Ncols();
    const double g_lo = cells[static_cast<long>(lo) * C + column];
    const double g_hi = cells[static_cast<long>(hi) * C + column];
    if (std::fabs(hi - lo) <= 2.0 * DBL_EPSILON * std::fabs(hi + lo) || std::fabs(hi - lo) < DBL_MIN)
        return g_hi;
    return (hi * g_lo - g_hi * lo + (g_hi - g_lo) * x) / (hi - lo);
}
