#pragma once

#include <string>
#include <vector>

// Checks shared by every curve built from points (t_i, value_i): times
// finite, positive and strictly rising, one value per time, every value
// finite. Empty when fine, else the reason naming the point (counted from 1)
// and, through `what`, the kind of value ("rate", "volatility", ...); point
// is then its index (from 0), or -1 when no one point is at fault.
std::string curve_points_refusal(const std::vector<double>& times, const std::vector<double>& values,
                                 const char* what, int& point);

// "point 3 (t = 0.5)": how a refusal names a point (index from 0).
std::string curve_point_name(const std::vector<double>& times, std::size_t index);
