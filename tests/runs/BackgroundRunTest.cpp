// A run on the worker thread as the user meets it: the progress it reports,
// 取消, the run buttons, and the rest of the program held off while it lasts.
#include "BackgroundRun.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <atomic>
#include <functional>
#include <thread>

namespace {

// Work that reports `fraction` and then waits, asking the hook, until the
// test releases it or the hook says stop; `stopped` tells which.
struct HeldWork
{
    double fraction = 0.5;
    std::atomic<bool> release{false};
    std::atomic<bool> stopped{false};

    void operator()(const ProgressHook& hook)
    {
        while (!release) {
            if (!hook(fraction)) {
                stopped = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};

// Calls step on the GUI thread while the run lasts, every 20 ms.
void whileRunning(QTimer& timer, const std::function<void()>& step)
{
    QObject::connect(&timer, &QTimer::timeout, step);
    timer.start(20);
}

}  // namespace

class BackgroundRunTest : public QObject
{
    Q_OBJECT

private slots:
    // The dialog shows the fraction the engine reports, in thousandths; 取消
    // stops the work through the hook.
    void progressShownAndCancelled()
    {
        QWidget window;
        window.show();
        HeldWork work;
        work.fraction = 0.375;
        int shown = -1;
        QTimer timer;
        whileRunning(timer, [&] {
            auto* progress = window.findChild<QProgressDialog*>("progress_run");
            if (!progress || progress->value() <= 0)
                return;
            shown = progress->value();
            progress->findChild<QPushButton*>()->click();  // 取消
        });
        const RunOutcome outcome = runWithProgress(&window, "x", std::ref(work));
        QCOMPARE(shown, 375);
        QCOMPARE(outcome, RunOutcome::Cancelled);
        QVERIFY(work.stopped);
    }

    // Run buttons are off while the run lasts; afterwards only those that
    // were on come back (更精确 before the first analysis stays off).
    void runButtonsKeepTheirState()
    {
        QWidget window;
        auto* on = new QPushButton("分析", &window);
        auto* off = new QPushButton("更精确...", &window);
        markStartsRun(on);
        markStartsRun(off);
        off->setEnabled(false);
        window.show();
        HeldWork work;
        bool bothOff = false;
        QTimer timer;
        whileRunning(timer, [&] {
            bothOff = !on->isEnabled() && !off->isEnabled();
            work.release = true;
        });
        QCOMPARE(runWithProgress(&window, "x", std::ref(work)), RunOutcome::Finished);
        QVERIFY(bothOff);
        QVERIFY(on->isEnabled());
        QVERIFY(!off->isEnabled());
    }

    // Before the progress dialog shows, nothing the user does reaches any
    // window: not a button that starts no run, not a field of another window.
    void userInputHeldOffWhileRunning()
    {
        QWidget window, other;
        auto* plain = new QPushButton("压力测试", &window);
        auto* field = new QLineEdit("103", &other);
        window.show();
        other.show();
        int clicks = 0;
        connect(plain, &QPushButton::clicked, [&clicks] { ++clicks; });
        HeldWork work;
        QTimer timer;
        whileRunning(timer, [&] {
            QTest::mouseClick(plain, Qt::LeftButton);
            QTest::keyClicks(field, "7");
            work.release = true;
        });
        runWithProgress(&window, "x", std::ref(work));
        QCOMPARE(clicks, 0);
        QCOMPARE(field->text(), QString("103"));
        // Afterwards input reaches them again.
        QTest::mouseClick(plain, Qt::LeftButton);
        QTest::keyClicks(field, "7");
        QCOMPARE(clicks, 1);
        QCOMPARE(field->text(), QString("1037"));
    }
};

QTEST_MAIN(BackgroundRunTest)
#include "BackgroundRunTest.moc"
