// The observation schedule editor, driven through its buttons the way a user
// does: generate, set a step series, divide/merge, add/remove rows, save.
// Runs on a calendar of weekdays (Monday to Friday trade) written here, so the
// expected dates follow from the weekday of each candidate alone.
#include "Calendar.h"
#include "RecordingPrompter.h"
#include "WidgetObserveGlobal.h"
#include "WeekdayCalendar.h"
#include "WidgetTexts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
namespace {

const QString kWarn = QStringLiteral("请注意：|");
const QString kBadTable = QStringLiteral("错误|数据格式错误，请检查");
const QString kNoRows = QStringLiteral("提示|请先点击【预估观察日】按钮");
const QString kNoCurrent = QStringLiteral("提示|请先点击选中一行数据");

// Monthly from 2024-01-15 to 2025-01-15, lock count 3: candidates Feb..Dec,
// Feb and Mar locked; weekend candidates move to the Monday after.
const QStringList kMonthly = {"20240415", "20240515", "20240617", "20240715", "20240815",
                              "20240916", "20241015", "20241115", "20241216", "20250115"};
// The same with nothing locked: 20240215 is a Thursday, 20240315 a Friday.
const QStringList kMonthlyAll = QStringList({"20240215", "20240315"}) + kMonthly;

QStringList repeat(const QString& text, int n) { return QVector<QString>(n, text).toList(); }

// The four schedule texts the editor publishes.
QStringList saved()
{
    return {WidgetObserveGlobal::observe_dates, WidgetObserveGlobal::observe_ko_barrier,
            WidgetObserveGlobal::observe_ko_coupon, WidgetObserveGlobal::observe_ki_barrier};
}

// Every weekday from 2020 to 2040 trades; loaded by the test case.
Calendar& weekdays()
{
    static Calendar calendar(1);
    return calendar;
}

// The same but for the Spring Festival closure of 2024 (9 to 18 February).
Calendar& springFestival()
{
    static Calendar calendar(2);
    return calendar;
}

struct Editor
{
    WidgetObserveGlobal w;
    QTableWidget* table = w.findChild<QTableWidget*>("tableWidget_observe");
    QLineEdit* lock = w.findChild<QLineEdit*>("lineEdit_lock");

    explicit Editor(const Calendar& calendar = weekdays()) : w(calendar) { w.show(); }
    template <class T = QLineEdit>
    T* get(const char* name) { return w.findChild<T*>(name); }

    void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }

    QStringList column(int c) const { return columnTexts(*table, c); }

    // A merged column: one cell spanning all rows, holding text.
    bool merged(int c, const QString& text) const
    {
        const int n = table->rowCount();
        return n > 0 && column(c) == QStringList({text}) + repeat("<none>", n - 1)
               && (n == 1 || table->rowSpan(0, c) == n);
    }

    // Monthly 2024-01-15 .. 2025-01-15 with the given lock count and values.
    void load(const QString& lockCount, const QString& ko, const QString& coupon = "16", const QString& ki = "80")
    {
        lock->setText(lockCount);
        w.setSchedule(QDate(2024, 1, 15), QDate(2025, 1, 15), ko, coupon, ki);
    }

    void select(int row) { table->setCurrentCell(row, 0); }

    // Types text into a cell through the item editor and confirms with Return.
    void type(int row, int c, const QString& text)
    {
        table->setCurrentCell(row, c);
        table->edit(table->model()->index(row, c));
        auto* editor = table->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits and closes its editor through queued calls.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace

class TestWidgetObserveGlobal : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<RecordingPrompter> rec;  // the boxes of the running test

private slots:
    void initTestCase()
    {
        QVERIFY(loadWeekdays(weekdays(), dir, "weekdays.csv", QDate(2020, 1, 1), QDate(2040, 12, 31)));
        QVERIFY(loadWeekdays(springFestival(), dir, "festival.csv", QDate(2020, 1, 1), QDate(2040, 12, 31),
                             QDate(2024, 2, 9), QDate(2024, 2, 18)));
    }

    void init()
    {
        for (QString* text : {&WidgetObserveGlobal::observe_dates, &WidgetObserveGlobal::observe_ko_barrier,
                              &WidgetObserveGlobal::observe_ko_coupon, &WidgetObserveGlobal::observe_ki_barrier})
            text->clear();
        rec = std::make_unique<RecordingPrompter>();
    }
    void cleanup() { rec.reset(); }

    // Saturdays move onto the Monday after.
    void weekendStartAndExpiryMoveToMonday()
    {
        Editor e;
        e.w.setSchedule(QDate(2024, 1, 13), QDate(2025, 1, 18), "103", "16", "80");
        QCOMPARE(e.w.startDate(), QDate(2024, 1, 15));
        QCOMPARE(e.w.expiryDate(), QDate(2025, 1, 20));
        QCOMPARE(e.column(0), kMonthly.mid(0, 9) + QStringList({"20250120"}));
    }

    // Generating lays out the ten dates; knock-out texts against them: none,
    // one (merged, with the others), one short, one over.
    void valueTextsAgainstRowCount_data()
    {
        QTest::addColumn<QString>("ko");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("boxes");
        const QStringList values = {"100", "99", "98", "97", "96", "95", "94", "93", "92", "91", "90"};
        QTest::newRow("0") << QString() << repeat("-", 10) << QStringList({kWarn + "敲出价格数量小于观察日数量!"});
        QTest::newRow("1") << QStringLiteral("103") << QStringList({"103"}) + repeat("<none>", 9) << QStringList();
        QTest::newRow("R-1") << values.mid(0, 9).join("_") << QStringList(values.mid(0, 9)) + QStringList({"-"})
                             << QStringList({kWarn + "敲出价格数量小于观察日数量!"});
        QTest::newRow("R+1") << values.join("_") << QStringList(values.mid(0, 10))
                             << QStringList({kWarn + "敲出价格数量大于观察日数量!"});
    }

    void valueTextsAgainstRowCount()
    {
        QFETCH(QString, ko);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, boxes);
        Editor e;
        e.load("3", ko);
        QCOMPARE(rec->summary(), boxes);
        for (const auto& box : rec->boxes) {
            QCOMPARE(box.icon, prompt::Icon::Warning);
            QCOMPARE(box.parent, &e.w);
        }
        QCOMPARE(e.column(0), kMonthly);
        QCOMPARE(e.column(1), shown);
        QVERIFY(e.merged(2, "16") && e.merged(3, "80"));
        QCOMPARE(e.get("lineEdit_steps")->text(), QStringLiteral("10"));
        if (boxes.isEmpty())
            QCOMPARE(saved(), QStringList({kMonthly.join("_"), "103", "16", "80"}));
    }

    void generateWithBadLockCount()
    {
        Editor e;
        e.load("3", "103");
        e.lock->setText("50");
        e.click("pushButton_observe");
        QCOMPARE(rec->summary(), QStringList({QStringLiteral("观察日参数错误|锁定观察数量大于以观察频率取样的日期数量!")}));
        QCOMPARE(rec->boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(e.column(0), kMonthly);  // the table stays
        QVERIFY(e.merged(1, "103"));
        QCOMPARE(WidgetObserveGlobal::observe_dates, QString());

        // Not a number reads as 0: nothing locked, nothing refused.
        rec->clear();
        e.lock->setText("abc");
        e.click("pushButton_observe");
        QVERIFY(rec->boxes.isEmpty());
        QCOMPARE(e.column(0), kMonthlyAll);
    }

    // Weekly across the Spring Festival: the 9th and the 16th both roll to
    // the 19th and become one observation with the 9th's values; the user is
    // told, and what is saved prices (no date twice).
    void datesRollingOntoOneDayAreMerged()
    {
        Editor e(springFestival());
        e.get<QComboBox>("comboBox_frequency")->setCurrentText("周");
        e.lock->setText("0");
        e.w.setSchedule(QDate(2024, 1, 26), QDate(2024, 3, 29), "100_99_98_97_96_95_94_93_92", "16", "80");
        QCOMPARE(rec->summary(), QStringList({"提示|观察日20240209、20240216顺延后同为交易日20240219，已合并为一个"
                                             "观察日，沿用20240209的敲出价格、敲出票息和敲入价格"}));
        QCOMPARE(rec->boxes[0].icon, prompt::Icon::Information);
        QCOMPARE(rec->boxes[0].parent, &e.w);
        const QStringList dates = {"20240202", "20240219", "20240223", "20240301",
                                   "20240308", "20240315", "20240322", "20240329"};
        QCOMPARE(e.column(0), dates);
        QCOMPARE(e.column(1), QStringList({"100", "99", "97", "96", "95", "94", "93", "92"}));
        QCOMPARE(e.w.savedSchedule().dates, dates.join("_"));

        // 预估观察日 again: the same dates, told again.
        rec->clear();
        e.click("pushButton_observe");
        QCOMPARE(rec->boxes.size(), 1);
        QCOMPARE(e.column(0), dates);
    }

    // Without a trading calendar 预估观察日 says so and changes nothing: no
    // "0" dates, no count warning.
    void noCalendarNoDates()
    {
        const Calendar none(3);
        Editor e(none);
        e.w.setSchedule(QDate(2024, 1, 15), QDate(2025, 1, 15), "103", "16", "80");
        e.click("pushButton_observe");
        const QString box = "观察日参数错误|无法加载交易日历(trade_calendar.csv)，无法预估观察日";
        QCOMPARE(rec->summary(), QStringList({box, box}));
        QCOMPARE(rec->boxes[1].icon, prompt::Icon::Critical);
        QCOMPARE(e.table->rowCount(), 0);
        QCOMPARE(e.w.startDate(), QDate(2024, 1, 15));
        QCOMPARE(e.w.savedSchedule().dates, QString());
    }

    void stepSeries()
    {
        Editor e;
        e.load("1", "103");
        e.click("pushButton_set_ob_item");  // merged: only the one cell changes
        QVERIFY(e.merged(1, "100"));
        e.click("pushButton_divide");
        e.click("pushButton_set_ob_item");
        QVERIFY(rec->boxes.isEmpty());
        QCOMPARE(e.column(1), QStringList({"100", "99.6", "99.2", "98.8", "98.4", "98", "97.6", "97.2", "96.8",
                                           "96.4", "96", "95.6"}));
        // Other targets and counts; texts that are no number read as 0.
        const struct { int target; const char *start, *change, *steps; QString box; QStringList column; } cases[] = {
            {1, "20", "-1", "13", kWarn + "敲出票息数量大于观察日数量!",
             {"20", "19", "18", "17", "16", "15", "14", "13", "12", "11", "10", "9"}},
            {2, "20", "-1", "abc", kWarn + "敲入价格数量小于观察日数量!", repeat("80", 12)},
            {2, "x", "0.5", "3", kWarn + "敲入价格数量小于观察日数量!", QStringList({"0", "0.5", "1"}) + repeat("80", 9)}};
        for (const auto& c : cases) {
            rec->clear();
            e.get<QComboBox>("comboBox_target")->setCurrentIndex(c.target);
            e.get("lineEdit_start_value")->setText(c.start);
            e.get("lineEdit_change")->setText(c.change);
            e.get("lineEdit_steps")->setText(c.steps);
            e.click("pushButton_set_ob_item");
            QCOMPARE(rec->summary(), QStringList({c.box}));
            QCOMPARE(e.column(c.target + 1), c.column);
        }
    }

    // "/" gives each date its own values, "*" one value for all (the first
    // non-empty); single values laid out while divided must be merged to save.
    void divideAndMerge()
    {
        Editor e;
        e.load("3", "103");
        e.click("pushButton_divide");
        QCOMPARE(e.table->rowSpan(0, 1), 1);
        QCOMPARE(e.column(3), repeat("80", 10));
        e.table->item(0, 1)->setText("");
        e.table->item(1, 1)->setText("101");
        e.click("pushButton_merge");
        QVERIFY(e.merged(1, "101") && e.merged(2, "16") && e.merged(3, "80"));
        QCOMPARE(e.column(0), kMonthly);
        QVERIFY(rec->boxes.isEmpty());

        e.click("pushButton_divide");
        e.click("pushButton_observe");  // the published texts still hold single values
        QVERIFY(e.merged(1, "103"));
        e.click("pushButton_save");
        QCOMPARE(rec->summary(), QStringList({kBadTable}));
        QCOMPARE(rec->boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(rec->boxes[0].parent, &e.w);
        rec->clear();
        e.click("pushButton_merge");
        e.click("pushButton_save");
        QVERIFY(rec->boxes.isEmpty());
        QCOMPARE(saved(), QStringList({kMonthly.join("_"), "103", "16", "80"}));
        // An empty table divides, merges and saves as empty texts.
        Editor empty;
        empty.click("pushButton_divide");
        empty.click("pushButton_merge");
        empty.click("pushButton_save");
        QCOMPARE(empty.table->rowCount(), 0);
        QVERIFY(rec->boxes.isEmpty());
        QCOMPARE(saved(), QStringList({"", "", "", ""}));
        // A merged table without coupon keeps "-" cells and saves them.
        e.load("3", "103", "", "80");
        e.click("pushButton_save");
        QCOMPARE(saved(), QStringList({kMonthly.join("_"), "103", repeat("-", 10).join("_"), "80"}));
    }

    // A row added above the first keeps the merged cells; one added inside a
    // divided table needs all its values typed. Saving refuses either until then.
    void addRows()
    {
        Editor e;
        e.load("3", "103");
        e.select(0);
        e.click("pushButton_add");
        QCOMPARE(e.column(0), QStringList({""}) + kMonthly);
        QVERIFY(e.merged(1, "103") && e.merged(2, "16") && e.merged(3, "80"));
        e.click("pushButton_save");
        e.type(0, 0, "20240401");
        e.click("pushButton_save");
        QCOMPARE(saved(), QStringList({"20240401_" + kMonthly.join("_"), "103", "16", "80"}));

        e.click("pushButton_divide");
        e.select(3);
        e.click("pushButton_add");
        QCOMPARE(e.column(1).at(3), QStringLiteral("<none>"));
        e.type(3, 0, "20240620");
        e.click("pushButton_save");
        QCOMPARE(rec->summary(), QStringList({kBadTable, kBadTable}));
        e.type(3, 1, "101");
        e.type(3, 2, "15");
        e.type(3, 3, "79");
        e.click("pushButton_save");
        QCOMPARE(rec->boxes.size(), 2);
        auto inserted = [](QStringList l, const QString& text) {
            l.insert(3, text);
            return l.join("_");
        };
        QCOMPARE(saved(), QStringList({inserted(QStringList({"20240401"}) + kMonthly, "20240620"),
                                       inserted(repeat("103", 11), "101"), inserted(repeat("16", 11), "15"),
                                       inserted(repeat("80", 11), "79")}));
    }

    // Adding and removing need rows, then a current row; the row holding the
    // merged cells can go.
    void removeRows()
    {
        Editor e;
        e.click("pushButton_add");
        e.click("pushButton_remove");
        e.load("3", "103");
        e.table->setCurrentCell(-1, -1);
        e.click("pushButton_add");
        e.click("pushButton_remove");
        QCOMPARE(rec->summary(), QStringList({kNoRows, kNoRows, kNoCurrent, kNoCurrent}));
        QCOMPARE(rec->boxes[0].icon, prompt::Icon::Information);
        QCOMPARE(rec->boxes[3].parent, &e.w);
        rec->clear();
        e.select(0);  // the first row holds the merged cells
        e.click("pushButton_remove");
        QCOMPARE(e.column(0), kMonthly.mid(1));
        QVERIFY(e.merged(1, "103") && e.merged(2, "16") && e.merged(3, "80"));
        e.select(4);
        e.click("pushButton_remove");
        QStringList left = kMonthly.mid(1);
        left.removeAt(4);
        e.click("pushButton_save");
        QVERIFY(rec->boxes.isEmpty());
        QCOMPARE(saved(), QStringList({left.join("_"), "103", "16", "80"}));
    }

    void saveRefusesMalformedTables()
    {
        Editor e;
        e.load("3", "103");
        e.click("pushButton_divide");
        e.click("pushButton_save");
        const QStringList before = saved();
        auto refused = [&](const char* what) {
            rec->clear();
            e.click("pushButton_save");
            QVERIFY2(rec->summary() == QStringList({kBadTable}) && saved() == before, what);
        };
        e.table->item(2, 0)->setText("2024061");
        refused("7-character date");
        e.table->item(2, 0)->setText("202406170");
        refused("9-character date");
        e.table->item(2, 0)->setText("20240617");
        e.table->item(5, 2)->setText("");
        refused("blank value cell");  // a missing one: addRows
        QCOMPARE(e.column(0), kMonthly);  // nothing lost from the table

        // A date with a leading blank passes and is saved as typed.
        e.table->item(5, 2)->setText("16");
        e.table->item(1, 0)->setText(" 20240515");
        rec->clear();
        e.click("pushButton_save");
        QVERIFY(rec->boxes.isEmpty());
        QStringList dates = kMonthly;
        dates[1] = " 20240515";
        QCOMPARE(WidgetObserveGlobal::observe_dates, dates.join("_"));
    }
};

QTEST_MAIN(TestWidgetObserveGlobal)
#include "TestWidgetObserveGlobal.moc"
