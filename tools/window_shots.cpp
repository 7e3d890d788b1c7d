// Renders the calculator's windows to PNG files for a visual review (not a
// test): the main window at its opening size in the current locale (again as
// main_estimated_* when its dates reach estimated calendar years), the
// univariate panel after an analysis, the probability panel of the default
// structure, the progress dialog of a long stress test, the stress panel
// after a change of terms (stale), and a second main window in accurate mode
// (高精度) after 定价 and 风险指标计算 with its probability panel, and
// its 市场数据 dialog with a rate curve, a local volatility grid and an
// implied volatility surface loaded (the sample files of the tests).
// Usage: window_shots OUTPUT_FOLDER [zh_CN|C|en_US]
#include "DialogUnderTest.h"
#include "MarketDataDialog.h"
#include "PanelGreeks_UA.h"
#include "PanelProbability.h"
#include "PanelStress.h"
#include "RecordingPrompter.h"

#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

void save(QWidget* w, const QString& path)
{
    QApplication::processEvents();
    if (!w->grab().save(path))
        qWarning("cannot write %s", qPrintable(path));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString locale = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("zh_CN");
    QLocale::setDefault(QLocale(locale));
    RecordingPrompter prompter;

    DialogUnderTest d;
    d.show();
    if (!QTest::qWaitForWindowExposed(&d))
        return 1;
    QTest::qWait(200);
    save(&d, out + "/main_" + locale + ".png");
    // The default dates reach into the next year: estimated when the calendar says so.
    if (child<QLabel>(&d, "label_estimated")->isVisible())
        save(&d, out + "/main_estimated_" + locale + ".png");
    if (locale != QLatin1String("zh_CN"))
        return 0;

    {
        DialogUnderTest accurate;
        accurate.show();
        if (!QTest::qWaitForWindowExposed(&accurate))
            return 1;
        accurate.box("checkBox_accurate")->setChecked(true);
        accurate.click("pushButton_price");
        accurate.click("pushButton_calc_greeks");
        QTest::qWait(200);
        save(&accurate, out + "/accurate_window.png");
        accurate.click("pushButton_probability");
        if (PanelProbability* p = accurate.probabilityPanel()) {
            QTest::qWait(200);
            save(p, out + "/probability_panel_accurate.png");
            p->close();
        }

        // 市场数据: each input's page after loading its sample file.
        accurate.click("pushButton_market");
        MarketDataDialog* market = accurate.marketDialog();
        if (!market || !QTest::qWaitForWindowExposed(market))
            return 1;
        const auto loadShot = [&](const char* key, const char* file) {
            prompter.fileAnswers << QStringLiteral(KELVARA_TEST_DATA_DIR "/market/") + QLatin1String(file);
            child<QPushButton>(market, (QByteArray("pushButton_load_") + key).constData())->click();
            QTest::qWait(300);
            save(market, out + "/market_" + QLatin1String(key) + ".png");
        };
        loadShot("rates", "rates.csv");
        loadShot("local_volatility", "local_vol.csv");
        child<QPushButton>(market, "pushButton_clear_local_volatility")->click();
        loadShot("volatility_surface", "ssvi_surface.csv");
        market->close();
        accurate.click("pushButton_price");
        QTest::qWait(200);
        save(&accurate, out + "/accurate_window_market.png");
        // The stress panel under that market: its volatility axis is the shift.
        accurate.click("pushButton_stress_test");
        if (PanelStress* shifted = accurate.stressPanel()) {
            if (QTest::qWaitForWindowExposed(shifted)) {
                child<QPushButton>(shifted, "pushButton_calc")->click();
                QTest::qWait(300);
                save(shifted, out + "/stress_panel_market.png");
            }
            shifted->close();
        }
        for (const QString& box : prompter.summary())
            qWarning("%s", qPrintable(box));
        accurate.close();
    }

    d.click("pushButton_price");
    QTimer::singleShot(300, [&] {
        auto* ua = qobject_cast<PanelGreeks_UA*>(QApplication::activeModalWidget());
        if (!ua)
            return;
        ua->resize(1100, 420);
        child<QPushButton>(ua, "pushButton_analyse")->click();
        QTest::qWait(200);
        save(ua, out + "/univariate_after_analyse.png");
        ua->reject();
    });
    d.click("pushButton_search_100");

    d.click("pushButton_price");
    d.click("pushButton_probability");
    PanelProbability* probability = d.probabilityPanel();
    if (!probability || !QTest::qWaitForWindowExposed(probability))
        return 1;
    QTest::qWait(200);
    save(probability, out + "/probability_panel.png");

    // The stress panel of the default structure, then stale after a change of terms.
    d.click("pushButton_stress_test");
    PanelStress* stress = d.stressPanel();
    if (!QTest::qWaitForWindowExposed(stress))
        return 1;
    child<QPushButton>(stress, "pushButton_calc")->click();
    d.set("lineEdit_ko", "110");
    QTest::qWait(200);
    save(stress, out + "/stress_panel_stale.png");

    // A stress test on a large grid, long enough to show its progress.
    d.set("lineEdit_M", "30000");
    d.click("pushButton_price");
    QTimer poll;
    bool shot = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = stress->findChild<QProgressDialog*>("progress_run");
        if (!progress || !progress->isVisible() || progress->value() < 150 || shot)
            return;
        shot = true;
        save(stress->window(), out + "/stress_progress_panel.png");
        save(progress, out + "/stress_progress_dialog.png");
        progress->findChild<QPushButton*>()->click();
    });
    poll.start(50);
    child<QPushButton>(stress, "pushButton_calc")->click();
    return shot ? 0 : 1;
}
