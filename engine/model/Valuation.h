#pragma once

#include "Refusal.h"

#include <limits>
#include <optional>
#include <string>

// How a computation ended: with its figures, refused before it started (the
// request breaks a rule; `refusal` says which), stopped through the progress
// hook, or failed while it ran (memory, the matrix library, a figure that
// came out as no finite number; `error` says what).
enum class Outcome { Ok, Refused, Cancelled, Failed };

// What every answer of the engine carries besides its figures.
struct Answer
{
    Outcome outcome = Outcome::Failed;
    Refusal refusal;     // when Refused
    std::string error;   // why there are no figures (English); empty when Ok

    bool ok() const { return outcome == Outcome::Ok; }
    void refuse(const Refusal& why);
    void fail(const std::string& why);
    void cancel();
};

// A price: the value of the structure that has not knocked in, today, at the
// spot, with its error estimate (none on the design grid; the bound of the
// accurate pricer; the standard error of the Monte Carlo).
struct Valuation : Answer
{
    double value = std::numeric_limits<double>::quiet_NaN();
    std::optional<double> error_estimate;
};

// Price and Greeks at one spot and date, in the units of the design's Greek
// grids: Delta per unit of price, Gamma per unit of price squared, Theta per
// year of elapsed time, Vega per 1.00 of volatility, Rho per 1.00 of rate.
struct GreeksValuation : Answer
{
    double price = std::numeric_limits<double>::quiet_NaN();
    double delta = std::numeric_limits<double>::quiet_NaN();
    double gamma = std::numeric_limits<double>::quiet_NaN();
    double theta = std::numeric_limits<double>::quiet_NaN();
    double vega = std::numeric_limits<double>::quiet_NaN();
    double rho = std::numeric_limits<double>::quiet_NaN();
    std::optional<double> error_estimate;  // of price
};

// Where a lookup reads: the spot, the years left to maturity (NaN, negative
// or beyond the maturity: today) and whether the structure has knocked in.
struct LookupPoint
{
    double spot = 0.0;
    double tau = std::numeric_limits<double>::quiet_NaN();
    bool knocked_in = false;
};
