#pragma once

#include "RunBudget.h"

#include <QString>

class QWidget;
class Snowball_PDE;

// How an action's solves run: on the worker or not, and how many calls of the
// progress hook the progress dialog counts. The design grid calls the hook
// once per time step; the accurate solver once per monitoring moment on each
// of its three levels, so its work follows the trading days to maturity, not N.
struct RunPlan
{
    bool background = false;
    double steps = 0;
};

// `solves` full solves of run's terms over `years` (the remaining time; a
// negative value means the whole term, params.T).
RunPlan runPlan(const Snowball_PDE& run, double solves, double years = -1.0);

// Empty when design-grid runs of run's M x N grid (kept grids or price only)
// fit in the memory a run may use (safe_memory_bytes); else the refusal with
// the estimate. The accurate mode's grids do not follow M and N: always empty.
QString gridMemoryProblem(const Snowball_PDE& run, GridUse use);

// Shows the refusal as a critical box with title and returns false when the
// grid does not fit.
bool gridFitsMemory(QWidget* parent, const QString& title, const Snowball_PDE& run, GridUse use);
