// The window when the trading calendar cannot be loaded: it still opens, and
// the actions that hand a structure over refuse in trading-day mode instead
// of pricing NaN observation times.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "RecordingPrompter.h"
#include "WidgetObserveGlobal.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

class TestDialogNoCalendar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Before anything asks for the calendar: an empty one for the whole process.
        QVERIFY(!trd_calendar_use_file("no/such/trade_calendar.csv"));
        QVERIFY(trd_calendar().empty());
    }

    void refusesTradingDayPricing()
    {
        RecordingPrompter prompter;
        auto d = std::make_unique<DialogUnderTest>();
        // Said once, when the window is up.
        QTRY_COMPARE(prompter.boxes.size(), 1);
        const QString noCalendar = "无法加载交易日历(trade_calendar.csv)，无法按交易日计算观察日";
        QCOMPARE(prompter.summary(), QStringList({"错误:|" + noCalendar}));
        QCOMPARE(prompter.boxes[0].icon, prompt::Icon::Critical);
        QTest::qWait(50);
        QCOMPARE(prompter.boxes.size(), 1);

        // No maturity and no schedule of "0" dates instead of -1, -2 and "0".
        QCOMPARE(d->lineEdit_T->text(), QString());
        QCOMPARE(d->lineEdit_N->text(), QString());
        QCOMPARE(d->published().dates, QString());
        auto* table = d->editor_observe->findChild<QTableWidget*>("tableWidget_observe");
        QCOMPARE(table->rowCount(), 0);

        // Every pricing action is refused with the same text.
        prompter.clear();
        d->pushButton_price->click();
        d->pushButton_range->click();
        QCOMPARE(prompter.summary(),
                 QStringList({"观察日参数错误|" + noCalendar, "结构参数错误：|" + noCalendar}));
        QVERIFY(!d->pricingEngine().initialised);
        QCOMPARE(d->lineEdit_price->text(), QString("-"));

        // Calendar days need no calendar: 368 days priced as 368/365 years.
        SavedSchedule s;
        s.start = QDate(2025, 1, 2);
        s.expiry = QDate(2026, 1, 5);
        s.dates = "20250402_20250702_20251009_20260105";
        s.ko = "103";
        s.coupon = "16";
        s.ki = "80";
        d->publish(s);
        prompter.clear();
        d->combo_days->setCurrentIndex(0);
        QCOMPARE(prompter.summary(), QStringList({"提示：|切换了日期模式，请重新预估观察日."}));
        d->lineEdit_T->setText("368");
        d->lineEdit_M->setText("60");
        prompter.clear();
        d->pushButton_price->click();
        QVERIFY2(prompter.boxes.isEmpty(), qPrintable(prompter.summary().join("; ")));
        QVERIFY(d->pricingEngine().initialised);
        QCOMPARE(d->pricingEngine().params.T, 368.0 / 365);
        QCOMPARE(d->pricingEngine().contract.obs_times.size(), size_t(4));
        QCOMPARE(d->pricingEngine().contract.obs_times.back(), 368.0 / 365);
        const double price = d->lineEdit_price->text().toDouble();
        QVERIFY2(price > 80 && price < 120, qPrintable(d->lineEdit_price->text()));
    }
};

QTEST_MAIN(TestDialogNoCalendar)
#include "TestDialogNoCalendar.moc"
