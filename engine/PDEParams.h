#pragma once

namespace NEWMAT { class Matrix; }

// The parameter block of one solver run. The output pointers never own: they
// point into the engine that runs the solver (its own grids and steps) or are
// null, in which case nothing is stored.
struct PDEParams
{
    double S0 = 100.0;     // spot, also the notional
    double S_max = 200.0;  // top of the price grid
    double sigma = 0.2;    // volatility
    double r = 0.05;       // risk-free rate, continuously compounded
    double q = 0.0;        // dividend yield; NaN is taken as 0 (and written back)
    double T = 1.0;        // maturity in years
    int M = 10;            // price steps: M+1 price rows
    int N = 10;            // time steps: N+1 time columns

    NEWMAT::Matrix* out_price = nullptr;     // not-knocked-in value grid
    NEWMAT::Matrix* out_price_ki = nullptr;  // knocked-in value grid
    double* out_dS = nullptr;
    double* out_dt = nullptr;
};
