#include "AppLogger.h"
#include "DialogCalculatorPDE.h"
#include "Prompt.h"
#include "QtPrompter.h"

#include <QApplication>

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

// The calculator window. Run it from a folder that holds "trade_calendar.csv";
// the log goes to log/ there. The arguments go to Qt unchanged.
int main(int argc, char* argv[])
{
    AppLogger::instance().init("log/Kelvara");

    auto app = std::make_unique<KelvaraApplication>(argc, argv);
    QtPrompter prompter;
    prompt::install(&prompter);

    auto dialog = std::make_unique<DialogCalculatorPDE>();
    dialog->show();
    const int result = app->exec();

    // The dialog (and the stress panel it keeps) before the application object.
    dialog.reset();
    prompt::install(nullptr);
    app.reset();
    return result;
}
