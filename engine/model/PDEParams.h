#pragma once

// The model and grid parameters of one solver run, a plain value: what the
// market is (spot, volatility, rates), how long the structure runs, and how
// fine the grid is.
struct PDEParams
{
    double S0 = 100.0;     // spot, also the notional
    double S_max = 200.0;  // top of the price grid
    double sigma = 0.2;    // volatility
    double r = 0.05;       // risk-free rate, continuously compounded
    double q = 0.0;        // dividend yield; NaN is taken as 0
    double T = 1.0;        // maturity in years
    int M = 10;            // price steps: M+1 price rows
    int N = 10;            // time steps: N+1 time columns
};
