#include "BackgroundRun.h"

#include <QApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QVariant>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>

namespace {

const char* const kStartsRun = "kelvaraStartsRun";

// The default window's grid: M 200 and one step per trading day of a year and
// a little more.
const double kDefaultCells = 201.0 * 262.0;

struct RunState
{
    std::atomic<long long> steps{0};
    std::atomic<bool> cancel{false};
};

std::set<std::shared_ptr<RunState>>& activeRuns()
{
    static std::set<std::shared_ptr<RunState>> runs;
    return runs;
}

// Disables the enabled run buttons of every window while it lives.
class RunButtonsDisabled
{
public:
    RunButtonsDisabled()
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            for (QPushButton* b : top->findChildren<QPushButton*>())
                if (b->property(kStartsRun).toBool() && b->isEnabled()) {
                    b->setEnabled(false);
                    disabled_.push_back(b);
                }
    }
    ~RunButtonsDisabled()
    {
        for (const QPointer<QPushButton>& b : disabled_)
            if (b)
                b->setEnabled(true);
    }

private:
    std::vector<QPointer<QPushButton>> disabled_;
};

}  // namespace

bool runsInBackground(int M, int N)
{
    return (static_cast<double>(M) + 1.0) * (static_cast<double>(N) + 1.0) > kDefaultCells;
}

void markStartsRun(QWidget* button)
{
    button->setProperty(kStartsRun, true);
}

void cancelAllRuns()
{
    for (const auto& run : activeRuns())
        run->cancel = true;
}

RunOutcome runGridWork(QWidget* parent, bool background, const QString& label, double totalSteps,
                       const std::function<void(const ProgressHook&)>& work)
{
    if (!background) {
        work(ProgressHook());
        return RunOutcome::Finished;
    }

    auto state = std::make_shared<RunState>();
    activeRuns().insert(state);
    const ProgressHook hook = [state](double) {
        ++state->steps;
        return !state->cancel.load();
    };

    RunButtonsDisabled buttons;
    QProgressDialog progress(label, QStringLiteral("取消"), 0, 1000, parent);
    progress.setObjectName(QStringLiteral("progress_run"));
    progress.setWindowTitle(QStringLiteral("计算中"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    QObject::connect(&progress, &QProgressDialog::canceled, [state] { state->cancel = true; });

    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, &progress, [&progress, state, totalSteps] {
        if (progress.wasCanceled())  // also when cancel() was called without the signal
            state->cancel = true;
        if (state->cancel)
            return;
        const double done = totalSteps > 0 ? state->steps.load() / totalSteps : 0.0;
        progress.setValue(static_cast<int>(std::min(999.0, done * 1000.0)));
    });

    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([work, hook] { work(hook); }));
    tick.start();
    if (!watcher.isFinished())
        loop.exec();
    watcher.waitForFinished();
    tick.stop();

    activeRuns().erase(state);
    return state->cancel ? RunOutcome::Cancelled : RunOutcome::Finished;
}
