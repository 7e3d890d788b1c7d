#include "SolverProgress.h"

namespace {

thread_local const SolverProgressHook* current_hook = nullptr;

}  // namespace

ScopedSolverProgress::ScopedSolverProgress(const SolverProgressHook* hook) : previous_(current_hook)
{
    current_hook = (hook != nullptr && *hook) ? hook : nullptr;
}

ScopedSolverProgress::~ScopedSolverProgress() { current_hook = previous_; }

bool solver_progress(double fraction)
{
    return current_hook == nullptr || (*current_hook)(fraction);
}
