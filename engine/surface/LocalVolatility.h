#pragma once

#include <string>
#include <vector>

// A local volatility sigma(S, t) as a solver asks for it: once per time
// step, on all its price nodes at once.
class LocalVolatility
{
public:
    virtual ~LocalVolatility() = default;
    // sigma(S[i], t) into sigma (resized); false, with error saying where,
    // when it is not defined there (never a negative or undefined variance
    // in a price).
    virtual bool sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                          std::string& error) const = 0;
    // Times at which sigma may jump: a solver puts a step boundary on each.
    virtual std::vector<double> time_breaks() const { return {}; }
};
