#pragma once

// Black's formula on the forward and its inversion, in the forward's units:
// undiscounted prices, total standard deviation s = sigma sqrt(T).

// Undiscounted call (call true) or put on forward F at strike K.
double black_price(double F, double K, double s, bool call);

// The total standard deviation s at which black_price(F, K, s, call) equals
// price; NaN when no s in (0, 10] does (price at or below the intrinsic
// value, or at or above the price at s = 10, or not a number). Works on the
// out-of-the-money option (the in-the-money one by parity) and on the log of
// its price, so prices down to 1e-300 of F invert as accurately as at-the-
// money ones; safeguarded Newton inside a shrinking bracket, deterministic.
double black_implied_deviation(double F, double K, double price, bool call);
