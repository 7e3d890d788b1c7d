#include "AppLogger.h"
#include "BackgroundRun.h"
#include "Calendar.h"
#include "CalendarLocation.h"
#include "DialogCalculatorPDE.h"
#include "Prompt.h"
#include "QtPrompter.h"
#include "TerminationSignals.h"

#include <QApplication>

#include <spdlog/logger.h>

#include <exception>
#include <memory>

namespace {

// Last line of defence: an exception escaping a slot is logged and reported,
// and the program carries on instead of unwinding through the event loop.
class KelvaraApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            report(e.what());
        } catch (...) {
            report("unknown exception");
        }
        return false;
    }

private:
    static void report(const char* what)
    {
        AppLogger::instance().log(AppLogger::Critical, "Unhandled exception in an action: %s", what);
        prompt::critical(nullptr, QStringLiteral("错误:"),
                         QStringLiteral("计算过程中发生错误：") + QString::fromLocal8Bit(what));
    }
};

}  // namespace

// The calculator window. The trading calendar "trade_calendar.csv" is taken
// from the working folder, else from the program's folder; the log goes to
// log/ in the working folder. The arguments go to Qt unchanged.
int main(int argc, char* argv[])
{
    AppLogger::instance().init("log/Kelvara");

    auto app = std::make_unique<KelvaraApplication>(argc, argv);
    // Where QSettings keeps what the window remembers between runs (the market files).
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvara"));
    QtPrompter prompter;
    prompt::install(&prompter);

    // The process-wide calendar is reached here only; the window gets it.
    const QString calendarFile = locateCalendarFile();
    if (!calendarFile.isEmpty())
        trd_calendar_use_file(calendarFile.toLocal8Bit().toStdString());
    auto dialog = std::make_unique<DialogCalculatorPDE>(trd_calendar());

    // A termination signal ends the program as closing the window would.
    TerminationSignals signalsIn;
    QObject::connect(&signalsIn, &TerminationSignals::received, app.get(), [&app](int number) {
        AppLogger::instance().log(AppLogger::Info, "Signal %d received, closing.", number);
        cancelAllRuns();
        app->closeAllWindows();
        app->quit();
    });

    dialog->show();
    const int result = app->exec();

    // The dialog (and the stress panel it keeps) before the application object.
    dialog.reset();
    prompt::install(nullptr);
    app.reset();
    if (auto logger = AppLogger::instance().logger())
        logger->flush();
    return result;
}
