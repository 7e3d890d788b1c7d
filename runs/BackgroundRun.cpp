#include "BackgroundRun.h"

#include <QApplication>
#include <QEvent>
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
const int kProgressSteps = 1000;

struct RunState
{
    std::atomic<double> fraction{0.0};
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

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Swallows user input to every widget outside one window while it lives: the
// progress dialog's modality starts only when it shows, and other windows
// (the panels) are not covered by it at all.
class InputHeldOff : public QObject
{
public:
    explicit InputHeldOff(const QWidget* open) : open_(open) { qApp->installEventFilter(this); }
    ~InputHeldOff() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType() || !isUserInput(event->type()))
            return false;
        return static_cast<QWidget*>(watched)->window() != open_;
    }

private:
    const QWidget* open_;
};

}  // namespace

void markStartsRun(QWidget* button)
{
    button->setProperty(kStartsRun, true);
}

void cancelAllRuns()
{
    for (const auto& run : activeRuns())
        run->cancel = true;
}

RunOutcome runWithProgress(QWidget* parent, const QString& label,
                           const std::function<void(const ProgressHook&)>& work)
{
    auto state = std::make_shared<RunState>();
    activeRuns().insert(state);
    const ProgressHook hook = [state](double fraction) {
        state->fraction = fraction;
        return !state->cancel.load();
    };

    RunButtonsDisabled buttons;
    QProgressDialog progress(label, QStringLiteral("取消"), 0, kProgressSteps, parent);
    InputHeldOff held(&progress);  // before anything below can turn the event loop
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
    QObject::connect(&tick, &QTimer::timeout, &progress, [&progress, state] {
        if (progress.wasCanceled())  // also when cancel() was called without the signal
            state->cancel = true;
        if (state->cancel)
            return;
        const double done = std::clamp(state->fraction.load(), 0.0, 1.0);
        progress.setValue(std::min(kProgressSteps - 1, static_cast<int>(done * kProgressSteps)));
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
