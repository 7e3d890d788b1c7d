#pragma once

#include <functional>
#include <string>

// Called between time steps with the fraction of the run done (0 to 1);
// returning false stops the run, which then gives NaN. Empty: no calls.
using ProgressHook = std::function<bool(double fraction)>;

// Receives the engine's trace lines (each ending in a newline): the search's
// bisection steps and the matrix export's file message. The window program
// prints them on its console; empty: nothing is written anywhere.
using TraceHook = std::function<void(const std::string& line)>;
