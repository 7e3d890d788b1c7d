#pragma once

#include <functional>
#include <string>

// Called as a computation goes on with the fraction of the whole of it done
// (0 to 1, rising), from the thread that computes; returning false stops it,
// and its result then says it was cancelled. Empty: no calls. Every engine
// computation takes this one hook, however many solves it runs.
using ProgressHook = std::function<bool(double fraction)>;

// The hook for one part of a larger computation, the part's own fractions
// 0..1 mapped onto start .. start + share of the whole. Always callable: with
// an empty whole it just answers go on.
ProgressHook progress_part(const ProgressHook& whole, double start, double share);

// Receives the engine's trace lines (each ending in a newline): the search's
// bisection steps and the matrix export's file message. The window program
// prints them on its console; empty: nothing is written anywhere.
using TraceHook = std::function<void(const std::string& line)>;
