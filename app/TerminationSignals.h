#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT close the program the way closing its window does: the
// handler only writes the signal number into a pipe; the event loop reads it
// and runs `onSignal` on the GUI thread, where logging and closing windows are
// safe.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe or the handlers could not be set up.
    bool installed() const { return notifier_ != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};
