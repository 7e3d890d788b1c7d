#include "CurvePoints.h"

#include <cmath>
#include <cstdio>

std::string curve_point_name(const std::vector<double>& times, std::size_t index)
{
    char text[64];
    std::snprintf(text, sizeof text, "point %zu (t = %.6g)", index + 1, times[index]);
    return text;
}

std::string curve_points_refusal(const std::vector<double>& times, const std::vector<double>& values,
                                 const char* what, int& point)
{
    point = -1;
    if (times.empty())
        return std::string("no ") + what + " points";
    if (times.size() != values.size())
        return std::string("one ") + what + " is needed for each time";
    for (std::size_t i = 0; i < times.size(); ++i) {
        point = static_cast<int>(i);
        if (!(std::isfinite(times[i]) && times[i] > 0.0))
            return "point " + std::to_string(i + 1) + ": its time must be a positive number of years";
        if (i > 0 && !(times[i] > times[i - 1]))
            return curve_point_name(times, i) + ": times must rise strictly";
        if (!std::isfinite(values[i]))
            return curve_point_name(times, i) + ": the " + what + " is not a number";
    }
    point = -1;
    return std::string();
}
