#pragma once

#include "EngineHooks.h"

#include <QString>

#include <functional>

class QWidget;

enum class RunOutcome { Finished, Cancelled };

// Runs work once on a worker thread, whatever it computes, under a
// window-modal progress dialog over parent (title "计算中", the label and a
// "取消" button) that appears only after 300 ms, so that quick runs show none.
// work receives the hook to hand to the engine; the dialog shows the fraction
// done it reports. While the run lasts, the buttons marked with markStartsRun
// are disabled (and afterwards enabled again if they were enabled before),
// and user input to every window but the progress dialog is held off, so
// nothing can read or change the terms while they are computed. Returns when
// work has returned: Cancelled when the user (or cancelAllRuns) asked to
// stop, whatever work then produced.
RunOutcome runWithProgress(QWidget* parent, const QString& label,
                           const std::function<void(const ProgressHook&)>& work);

// A button that starts a run: disabled while any run lasts.
void markStartsRun(QWidget* button);

// Asks every run in progress to stop (on the way out of the program).
void cancelAllRuns();
