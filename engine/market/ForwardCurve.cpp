#include "ForwardCurve.h"

#include <cmath>

double ForwardCurve::forward(double spot, double t) const { return spot * std::exp(drift(t)); }

double ForwardCurve::discount_factor(double t) const { return std::exp(-discount(t)); }
