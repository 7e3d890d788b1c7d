#pragma once

#include <memory>
#include <vector>

// Any local volatility sigma(S, t) the accurate pricer and the reference
// Monte Carlo can take (a grid, a fitted surface, a term curve that ignores
// S). Evaluated in bulk: one time, a vector of prices, as a solver needs it
// on its nodes.
class LocalVolatility
{
public:
    virtual ~LocalVolatility() = default;

    // out[i] = sigma(S[i], t), out resized to S.size().
    virtual void sigma(const std::vector<double>& S, double t, std::vector<double>& out) const = 0;

    // Times at which sigma may change: with constant_between_breaks() true it
    // is constant in t strictly between two of them (and after the last),
    // which lets a solver keep one operator for all the steps there.
    virtual std::vector<double> time_breaks() const { return {}; }
    virtual bool constant_between_breaks() const { return false; }
    // Whether sigma depends on S at all (a term curve does not).
    virtual bool depends_on_spot() const { return true; }

    // The highest sigma over times [0, T] and prices [lo, hi]: what the price
    // grid's top and crowding follow. By default sampled (64 prices, log-
    // spaced, at the middle of every piece between breaks and 16 more times).
    virtual double highest(double T, double lo, double hi) const;

    double sigma_at(double S, double t) const;
};

// sigma(S, t) + shift: a parallel shift of any local volatility.
class ShiftedLocalVolatility : public LocalVolatility
{
public:
    ShiftedLocalVolatility(std::shared_ptr<const LocalVolatility> base, double shift);
    void sigma(const std::vector<double>& S, double t, std::vector<double>& out) const override;
    std::vector<double> time_breaks() const override { return base_->time_breaks(); }
    bool constant_between_breaks() const override { return base_->constant_between_breaks(); }
    bool depends_on_spot() const override { return base_->depends_on_spot(); }
    double highest(double T, double lo, double hi) const override { return base_->highest(T, lo, hi) + shift_; }

private:
    std::shared_ptr<const LocalVolatility> base_;
    double shift_;
};
