#pragma once

#include <memory>
#include <string>
#include <vector>

// Any local volatility sigma(S, t) the accurate pricer, the reference Monte
// Carlo and the European repricer take (a grid, Dupire's of a fitted
// surface, a term curve that ignores S), asked for as a solver needs it: one
// time, all its price nodes at once.
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
    // With constant_between_breaks() true sigma is constant in t strictly
    // between two of them (and after the last), which lets a solver keep one
    // operator for all the steps there.
    virtual std::vector<double> time_breaks() const { return {}; }
    virtual bool constant_between_breaks() const { return false; }
    // Whether sigma depends on S at all (a term curve does not).
    virtual bool depends_on_spot() const { return true; }

    // The highest sigma over times [0, T] and prices [lo, hi]: what the price
    // grid's top and crowding follow. By default sampled (64 prices, log-
    // spaced, at the middle of every piece between breaks and 16 more times).
    virtual double highest(double T, double lo, double hi) const;

    // sigma_on for the solvers, whose entry points turn exceptions into
    // results: throws std::runtime_error with the reason where sigma is not
    // defined.
    void sigma_or_throw(double t, const std::vector<double>& S, std::vector<double>& sigma) const;
    double sigma_at(double S, double t) const;
};

// sigma(S, t) + shift: a parallel shift of any local volatility.
class ShiftedLocalVolatility : public LocalVolatility
{
public:
    ShiftedLocalVolatility(std::shared_ptr<const LocalVolatility> base, double shift);
    bool sigma_on(double t, const std::vector<double>& S, std::vector<double>& sigma,
                  std::string& error) const override;
    std::vector<double> time_breaks() const override { return base_->time_breaks(); }
    bool constant_between_breaks() const override { return base_->constant_between_breaks(); }
    bool depends_on_spot() const override { return base_->depends_on_spot(); }
    double highest(double T, double lo, double hi) const override { return base_->highest(T, lo, hi) + shift_; }

private:
    std::shared_ptr<const LocalVolatility> base_;
    double shift_;
};
