#pragma once

#include "EngineHooks.h"
#include "PricingRequest.h"
#include "Valuation.h"

#include <limits>

// The terms a search, the window's range solve and a scan can vary, in the
// numbering the window's term list and kelvara-cli's --param use.
enum class Param { KoBarrier = 0, KiBarrier = 1, KoCoupon = 2, Sigma = 3, DivCoupon = 4, CouponAndDiv = 5 };

constexpr int kParamCount = 6;

// Param of a number 0..5; false for any other number.
bool param_from_number(int number, Param& param);

// The value of a term as a search remembers it: the first entry of a
// schedule (NaN for an empty one), the dividend coupon for CouponAndDiv.
double term_value(const SnowballContract& contract, const PDEParams& model, Param term);
// Sets a term everywhere it stands: every entry of a schedule (so it comes
// back flat), both coupons for CouponAndDiv.
void set_term(SnowballContract& contract, PDEParams& model, Param term, double value);

// The same on a request. With a market the volatility term is the parallel
// shift of its volatility input (request.volatility_shift, decimal; 0 is
// the market as loaded), not the flat volatility it replaces.
double term_value(const PricingRequest& request, Param term);
void set_term(PricingRequest& request, Param term, double value);

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

struct SearchSettings
{
    double epsilon = 0.05;  // a price this close to the target is found
    int max_iter = 50;
    TraceHook trace;        // "price:%.5f at %.3f" of every midpoint
};

// A search's answer: Ok with the value when Found; otherwise Failed with the
// status (or whatever refused the prices) in `error`.
struct SearchResult : Answer
{
    SearchStatus status = SearchStatus::NoSolution;
    double value = std::numeric_limits<double>::quiet_NaN();
};

// Bisection of a term on [lo, hi] (with a market, of the volatility's
// parallel shift, see set_term) for the target price: the request priced
// with the term at lo, at hi, then at midpoints, each with the request's
// method; the request itself is not changed. Logs its end as the design's
// search does. The progress hook sees each price as one share of the
// 2 + max_iter it may take.
SearchResult solve_term(const PricingRequest& request, Param term, double target, double lo, double hi,
                        const SearchSettings& settings = SearchSettings());
