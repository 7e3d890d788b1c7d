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
        // The schedule could not be generated; maturity shows the calendar's -1.
        QCOMPARE(d->lineEdit_T->text(), QString("-1"));
        QCOMPARE(d->lineEdit_N->text(), QString("-2"));
        // The calendar places no candidate date: each is written "0".
        QVERIFY(WidgetObserveGlobal::observe_dates.startsWith("0_"));

        // A schedule that passes the checks.
        auto* start = d->editor_observe->findChild<QDateEdit*>("dateEdit_start");
        auto* expiry = d->editor_observe->findChild<QDateEdit*>("dateEdit_expiry");
        QVERIFY(start && expiry);
        start->setDate(QDate(2025, 1, 2));
        expiry->setDate(QDate(2026, 1, 5));
        WidgetObserveGlobal::observe_dates = "20250402_20250702_20251009_20260105";

        prompter.clear();
        d->pushButton_price->click();
        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(prompter.boxes[0].title, QString("观察日参数错误"));
        QVERIFY(prompter.boxes[0].text.contains("交易日历"));
        QVERIFY(!d->pricingEngine().initialised);
        QCOMPARE(d->lineEdit_price->text(), QString());

        prompter.clear();
        d->pushButton_range->click();
        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes[0].title, QString("观察日参数错误"));
        QVERIFY(!d->pricingEngine().initialised);

        // Calendar days need no calendar: 365 days priced as 365/365 years.
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
        QCOMPARE(d->pricingEngine().obs_times.size(), size_t(4));
        QCOMPARE(d->pricingEngine().obs_times.back(), 368.0 / 365);
        const double price = d->lineEdit_price->text().toDouble();
        QVERIFY2(price > 80 && price < 120, qPrintable(d->lineEdit_price->text()));
    }
};

QTEST_MAIN(TestDialogNoCalendar)
#include "TestDialogNoCalendar.moc"
