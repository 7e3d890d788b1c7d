// The window when the trading calendar cannot be loaded: it opens, says so
// once, and shows no maturity and no schedule of "0" dates.
#include "Calendar.h"
#include "DialogUnderTest.h"

#include <QTableWidget>
#include <QtTest>

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

    void saidOnceNothingMadeUp()
    {
        RecordingPrompter prompter;
        DialogUnderTest d;
        // Said when the window is up, and only then.
        QTRY_COMPARE(prompter.boxes.size(), 1);
        const QString noCalendar = "无法加载交易日历(trade_calendar.csv)，无法按交易日计算观察日";
        QCOMPARE(prompter.summary(), QStringList({"错误:|" + noCalendar}));
        QCOMPARE(prompter.boxes[0].icon, prompt::Icon::Critical);
        QTest::qWait(50);
        QCOMPARE(prompter.boxes.size(), 1);

        QCOMPARE(QStringList({d.text("lineEdit_T"), d.text("lineEdit_N"), d.published().dates}),
                 QStringList({"", "", ""}));
        QCOMPARE(child<QTableWidget>(d.observeEditor(), "tableWidget_observe")->rowCount(), 0);
        d.click("pushButton_price");
        QCOMPARE(prompter.summary().last(), "观察日参数错误|" + noCalendar);
        QCOMPARE(d.text("lineEdit_price"), QString("-"));
    }
};

QTEST_MAIN(TestDialogNoCalendar)
#include "TestDialogNoCalendar.moc"
