#pragma once

#include "Snowball_PDE.h"

#include <QString>

#include <functional>

class QWidget;

// Grid runs that outgrow the default grid (M 200 by about a year of trading
// days) go to a worker thread: the window stays responsive, shows how far the
// run got and can stop it. Smaller runs stay on the GUI thread, where they
// take a fraction of a second.
bool runsInBackground(int M, int N);

enum class RunOutcome { Finished, Cancelled };

// Runs work once. In the background (when `background`): on a worker thread
// under a window-modal progress dialog over parent with the label and a
// "取消" button, while every button marked with markStartsRun in any window is
// disabled. work receives the hook to install on the engine copy it computes
// with; totalSteps is the number of time steps the runs will take (the hook
// is called once per step). Returns when work has returned; Cancelled when the
// user (or cancelAllRuns) asked to stop, whatever work then produced.
// In the foreground work gets an empty hook and the outcome is Finished.
RunOutcome runGridWork(QWidget* parent, bool background, const QString& label, double totalSteps,
                       const std::function<void(const ProgressHook&)>& work);

// A button that starts a grid run: disabled while a background run lasts.
void markStartsRun(QWidget* button);

// Asks every background run in progress to stop (on the way out of the program).
void cancelAllRuns();
