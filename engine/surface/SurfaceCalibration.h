#pragma once

#include "DupireLocalVol.h"
#include "ForwardCurve.h"
#include "LocalVolEuropean.h"
#include "QuoteArbitrage.h"
#include "SviSurface.h"
#include "VolQuote.h"

#include <memory>
#include <string>
#include <vector>

// From listed implied volatilities to a local volatility, in three steps:
//  1. the quotes are checked (quote_refusals) and tested for arbitrage
//     among themselves (quote_arbitrage); arbitrage larger than
//     absorb_vol_points is refused, naming the expiry and strikes.
//     Why sized model-free: the size of a quote's arbitrage must not depend
//     on how a fit happens to bend, and a desk reads it in volatility points.
//  2. one raw SVI smile per expiry (SviSlice: why this family), from the
//     first expiry on, each held free of butterfly arbitrage and at or above
//     the one before on a moneyness grid reaching 5 deviations past the
//     widest quote, wings included (fit_svi), joined in time as SviSurface
//     explains. Why one expiry at a time with the earlier smile as a floor:
//     the conditions between expiries are then simple bounds of one small
//     fit each (5 parameters, milliseconds), where a joint fit of all
//     expiries would be one large non-linear problem; and calendar
//     arbitrage appears where it belongs, against the earlier expiry.
//  3. Dupire's local volatility of that surface (DupireLocalVol), used over
//     a band 4 deviations past the widest quote (the band's edge moves the
//     quotes nearest it by a basis point or two; at 1.5 it cost 20) and
//     flat beyond, checked on a grid of times (inside every expiry interval
//     and past the last) and moneyness (across the band) before it is
//     handed out: a negative or undefined local variance means the fit is
//     wrong, and it is refused, saying where.
// Repricing is separate (it costs a solve): reprice_quotes prices every
// quote's out-of-the-money option with the local-volatility solver
// (LocalVolEuropean) and inverts Black's formula on that price, so the
// error it reports includes the fit's, the solver's and anything wrong in
// the local volatility, never read off the fitted smile.

struct SurfaceOptions
{
    // Arbitrage up to this size (volatility points) is left for the fit to
    // pass between the quotes; beyond it the quotes are refused. A quarter
    // point is within a listed option's usual bid-ask spread in volatility:
    // mid quotes that far apart are noise, not a market to refuse.
    double absorb_vol_points = 0.25;
};

struct QuoteResult
{
    VolQuote quote;
    double forward = 0.0;
    double fitted_vol = 0.0;    // the fitted surface's volatility (decimal)
    double repriced_vol = 0.0;  // Black volatility of the local-volatility solver's price; NaN until repriced
    double error_bp = 0.0;      // (repriced - market) in basis points of volatility
};

struct SurfaceCalibration
{
    bool ok() const { return error.empty(); }
    std::string error;  // one line per reason; empty when ok()

    std::vector<ArbitrageFinding> arbitrage;
    std::vector<QuoteResult> quotes;  // by expiry, then strike
    std::shared_ptr<const SviSurface> surface;
    std::shared_ptr<const DupireLocalVol> local_vol;
    double spot = 0.0;
    double max_fit_error_bp = 0.0;  // largest |fitted - market|
    // Largest |repriced - market| over the quotes, NaN when one of them
    // could not be repriced (or before repricing).
    double max_error_bp = 0.0;
};

// Never throws: refusals come back in error.
SurfaceCalibration calibrate_surface(const std::vector<VolQuote>& quotes, double spot, const ForwardCurve& forward,
                                     const SurfaceOptions& options = SurfaceOptions());

// Reprices every quote with the local-volatility solver under local_vol
// (normally calibration.local_vol; another one, such as an exported grid,
// shows how well it represents the surface). False, with the reason, when
// the solver refuses.
bool reprice_quotes(SurfaceCalibration& calibration, const LocalVolatility& local_vol, const ForwardCurve& forward,
                    std::string& error, const LocalVolResolution& resolution = LocalVolResolution());
