#pragma once

#include "GreekGrids.h"
#include "MarketModel.h"
#include "Probabilities.h"
#include "PricingRequest.h"
#include "Valuation.h"

#include <limits>
#include <memory>

// One question, one answer: every front end asks the engine through these,
// with a PricingRequest, and gets an answer that says how it ended. The
// method is the request's business; nothing here needs the caller to know it.

// The price today at the spot, not knocked in, with its error estimate.
Valuation price(const PricingRequest& request);

// Price and Greeks at one point. Design grid: the three grid runs of the
// Greeks and a lookup on their grids; accurate: a solve at the point's date
// on a grid crowded at its spot, with central bumps of 0.01.
GreeksValuation greeks(const PricingRequest& request, const LookupPoint& point);

// The Greeks of one request, computed once and then read at any point: the
// design grid's grids are kept; the accurate pricer solves at each point.
class GreekSheet
{
public:
    // Runs what must run before any lookup (the design grid's three runs and
    // Greek grids), with the request's progress hook.
    static GreekSheet compute(const PricingRequest& request);

    const Answer& status() const { return status_; }
    // With `progress` for the solves a lookup runs (the accurate pricer's).
    GreeksValuation at(const LookupPoint& point, const ProgressHook& progress = ProgressHook()) const;
    // The value grids, not knocked in and knocked in, when the method keeps
    // grids (the matrix export); null otherwise.
    const NEWMAT::Matrix* price_grid(bool knocked_in) const;

private:
    PricingRequest request_;
    Answer status_;
    std::shared_ptr<const MarketModel> market_;  // the request's market in use, when it has one
    std::shared_ptr<const GreekGrids> grids_;
};

// The value grids of one run that keeps them (the matrix output): not
// knocked in and knocked in, node n the price n*dS, column j the time j*dt.
// Only the design grid keeps grids; the other methods refuse.
struct ValueGridsAnswer : Answer
{
    double value = std::numeric_limits<double>::quiet_NaN();  // the price, as price() gives it
    NEWMAT::Matrix price_grid, price_ki_grid;
    double dS = std::numeric_limits<double>::quiet_NaN();
    double dt = std::numeric_limits<double>::quiet_NaN();
};
ValueGridsAnswer value_grids(const PricingRequest& request);

// What the structure is likely to do, as the method monitors it (the
// reference Monte Carlo's sample means, their standard errors as the errors).
ProbabilityProfile probabilities(const PricingRequest& request, bool knocked_in = false);
