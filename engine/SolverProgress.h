#pragma once

#include <functional>

// The solver's link to whoever waits for it: a hook called after every time
// step with the fraction of the steps done; returning false stops the run,
// which then returns NaN. The hook belongs to the thread that runs the
// solver, so copies of an engine running on other threads do not share it.
using SolverProgressHook = std::function<bool(double fraction)>;

// Installs hook (not owned; may be null or empty) for the runs on this thread
// while the object lives; the previous hook comes back afterwards.
class ScopedSolverProgress
{
public:
    explicit ScopedSolverProgress(const SolverProgressHook* hook);
    ~ScopedSolverProgress();
    ScopedSolverProgress(const ScopedSolverProgress&) = delete;
    ScopedSolverProgress& operator=(const ScopedSolverProgress&) = delete;

private:
    const SolverProgressHook* previous_;
};

// Reports one step to the installed hook; true (go on) when there is none.
bool solver_progress(double fraction);
