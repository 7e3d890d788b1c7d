#pragma once

// The terms a search, the window's range solve and a scan can vary, in the
// numbering the window's term list and kelvara-cli's --param use.
enum class Param { KoBarrier = 0, KiBarrier = 1, KoCoupon = 2, Sigma = 3, DivCoupon = 4, CouponAndDiv = 5 };

constexpr int kParamCount = 6;

// Param of a number 0..5; false for any other number.
bool param_from_number(int number, Param& param);

// How a bisection for a target price ended; the numbers are the search's
// historic result codes (kelvara-cli's JSON "code").
enum class SearchStatus
{
    Found = 0,
    NoSolution = -1,       // none within the iteration limit
    PriceNotMoving = -2,   // two prices in a row closer than epsilon
    UnknownParam = -3,
    TargetOutside = -4,    // the target is not between the end prices
};
