// The observation schedule editor, driven through its buttons the way a user
// does: generate, set a step series, divide/merge, add/remove rows, save.
// Runs on a calendar of weekdays (Monday to Friday trade) written here, so the
// expected dates follow from the weekday of each candidate alone.
#include "Calendar.h"
#include "RecordingPrompter.h"
#include "WidgetObserveGlobal.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

const QString kWarnTitle = QStringLiteral("请注意：");
const QString kBadTable = QStringLiteral("错误|数据格式错误，请检查");
const QString kNoRows = QStringLiteral("提示|请先点击【预估观察日】按钮");
const QString kNoCurrent = QStringLiteral("提示|请先点击选中一行数据");

// Monthly from 2024-01-15 to 2025-01-15, lock count 3: candidates Feb..Dec,
// Feb and Mar locked; weekend candidates move to the Monday after.
const QStringList kMonthlyLock3 = {"20240415", "20240515", "20240617", "20240715", "20240815",
                                   "20240916", "20241015", "20241115", "20241216", "20250115"};
// The same with lock count 1 (nothing locked): 20240215 is a Thursday, 20240315 a Friday.
const QStringList kMonthlyLock1 = QStringList({"20240215", "20240315"}) + kMonthlyLock3;

const QStringList kDefaultSteps = {"100", "99.6", "99.2", "98.8", "98.4", "98",
                                   "97.6", "97.2", "96.8", "96.4", "96", "95.6"};

struct Editor
{
    WidgetObserveGlobal w;
    QTableWidget* table;
    QDateEdit* start;
    QDateEdit* expiry;
    QComboBox* frequency;
    QLineEdit* lock;
    QComboBox* target;
    QLineEdit* startValue;
    QLineEdit* change;
    QLineEdit* steps;

    Editor()
    {
        table = w.findChild<QTableWidget*>("tableWidget_observe");
        start = w.findChild<QDateEdit*>("dateEdit_start");
        expiry = w.findChild<QDateEdit*>("dateEdit_expiry");
        frequency = w.findChild<QComboBox*>("comboBox_frequency");
        lock = w.findChild<QLineEdit*>("lineEdit_lock");
        target = w.findChild<QComboBox*>("comboBox_target");
        startValue = w.findChild<QLineEdit*>("lineEdit_start_value");
        change = w.findChild<QLineEdit*>("lineEdit_change");
        steps = w.findChild<QLineEdit*>("lineEdit_steps");
        w.show();
    }

    QPushButton* button(const char* name) { return w.findChild<QPushButton*>(name); }
    void click(const char* name)
    {
        QPushButton* b = button(name);
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r)
            out << (table->item(r, c) ? table->item(r, c)->text() : QStringLiteral("<none>"));
        return out;
    }

    // A merged column: one cell over all rows holding text.
    bool merged(int c, const QString& text) const
    {
        if (table->rowCount() == 0 || !table->item(0, c) || table->item(0, c)->text() != text)
            return false;
        if (table->rowCount() > 1 && table->rowSpan(0, c) != table->rowCount())
            return false;
        for (int r = 1; r < table->rowCount(); ++r)
            if (table->item(r, c))
                return false;
        return true;
    }

    // Monthly 2024-01-15 .. 2025-01-15 with the given lock count and values.
    void load(const QString& lockCount, const QString& ko, const QString& coupon, const QString& ki)
    {
        lock->setText(lockCount);
        w.setSchedule(QDate(2024, 1, 15), QDate(2025, 1, 15), ko, coupon, ki);
    }

    void select(int row, int c = 0) { table->setCurrentCell(row, c); }

    // Types text into a cell through the item editor and confirms with Return.
    void type(int row, int c, const QString& text)
    {
        select(row, c);
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

QStringList repeat(const QString& text, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << text;
    return out;
}

void resetTexts()
{
    WidgetObserveGlobal::observe_dates.clear();
    WidgetObserveGlobal::observe_ko_barrier.clear();
    WidgetObserveGlobal::observe_ko_coupon.clear();
    WidgetObserveGlobal::observe_ki_barrier.clear();
}

}  // namespace

class TestWidgetObserveGlobal : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("weekdays.csv");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream out(&f);
        out << "iDate\n";
        for (QDate d(2020, 1, 1); d <= QDate(2040, 12, 31); d = d.addDays(1))
            if (d.dayOfWeek() <= 5)
                out << d.toString("yyyyMMdd") << '\n';
        f.close();
        QVERIFY(trd_calendar_use_file(path.toStdString()));
    }

    void init() { resetTexts(); }

    // --- what the user sees before doing anything ---

    void startsEmptyWithDefaults()
    {
        RecordingPrompter rec;
        Editor e;
        QCOMPARE(e.w.windowTitle(), QStringLiteral("观察日管理"));
        QCOMPARE(e.start->date(), QDate::currentDate());
        QCOMPARE(e.expiry->date(), QDate::currentDate().addYears(1));
        QVERIFY(e.start->calendarPopup());
        QCOMPARE(e.frequency->currentText(), QStringLiteral("月"));
        QCOMPARE(e.frequency->count(), 3);
        QCOMPARE(e.frequency->itemText(0), QStringLiteral("周"));
        QCOMPARE(e.frequency->itemText(1), QStringLiteral("双周"));
        QCOMPARE(e.lock->text(), QStringLiteral("3"));
        QCOMPARE(e.target->currentText(), QStringLiteral("敲出价格"));
        QCOMPARE(e.target->itemText(1), QStringLiteral("敲出票息"));
        QCOMPARE(e.target->itemText(2), QStringLiteral("敲入价格"));
        QCOMPARE(e.startValue->text(), QStringLiteral("100"));
        QCOMPARE(e.change->text(), QStringLiteral("-0.4"));
        QCOMPARE(e.steps->text(), QStringLiteral("12"));

        QCOMPARE(e.table->rowCount(), 0);
        QCOMPARE(e.table->columnCount(), 4);
        const QStringList headers = {"观察日期", "敲出\n价格", "敲出\n票息", "敲入\n价格"};
        const int widths[] = {80, 50, 50, 50};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(e.table->horizontalHeaderItem(c)->text(), headers[c]);
            QCOMPARE(e.table->columnWidth(c), widths[c]);
        }
        QCOMPARE(e.table->horizontalHeader()->styleSheet(),
                 QStringLiteral("QHeaderView::section {background-color: lightblue;}"));
        QCOMPARE(e.table->minimumHeight(), 500);
        QCOMPARE(e.table->itemPrototype()->textAlignment(), int(Qt::AlignCenter));

        QCOMPARE(e.button("pushButton_save"), e.w.pushButton_save);
        QCOMPARE(e.w.pushButton_save->text(), QStringLiteral("保存"));
        QCOMPARE(e.w.pushButton_save->styleSheet(),
                 QStringLiteral("QPushButton { background-color : red; color : white; }"));
        for (const char* grey : {"pushButton_observe", "pushButton_set_ob_item"})
            QCOMPARE(e.button(grey)->styleSheet(),
                     QStringLiteral("QPushButton { background-color : grey; color : white; }"));
        QCOMPARE(e.button("pushButton_observe")->text(), QStringLiteral("预估观察日"));
        QCOMPARE(e.button("pushButton_set_ob_item")->text(), QStringLiteral("设置"));
        QCOMPARE(e.button("pushButton_divide")->toolTip(), QStringLiteral("设置不同的敲出障碍价和敲出票息"));
        QCOMPARE(e.button("pushButton_merge")->toolTip(), QStringLiteral("设置相同的敲出障碍价和敲出票息"));

        // The row of buttons under the table, and the reminder below them.
        auto* grid = qobject_cast<QGridLayout*>(e.table->parentWidget()->layout()->itemAt(1)->layout());
        QVERIFY(grid);
        const char* order[] = {"pushButton_add", "pushButton_remove", "pushButton_divide",
                               "pushButton_merge", "pushButton_save"};
        const QStringList texts = {"+", "-", "/", "*", "保存"};
        for (int i = 0; i < 5; ++i) {
            int row, col, rs, cs;
            grid->getItemPosition(grid->indexOf(e.button(order[i])), &row, &col, &rs, &cs);
            QCOMPARE(row, 5);
            QCOMPARE(col, i);
            QCOMPARE(e.button(order[i])->text(), texts[i]);
        }
        bool reminder = false;
        for (QLabel* l : e.w.findChildren<QLabel*>())
            reminder |= l->text() == QStringLiteral("注意：计算前请先点击保存按钮");
        QVERIFY(reminder);
        QVERIFY(rec.boxes.isEmpty());
        QVERIFY(WidgetObserveGlobal::observe_dates.isEmpty());
    }

    void slotsInDeclaredOrder()
    {
        const QMetaObject& mo = WidgetObserveGlobal::staticMetaObject;
        QStringList signatures;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
            signatures << QString::fromLatin1(mo.method(i).methodSignature());
        QCOMPARE(signatures, QStringList({"on_pushButton_save_clicked()", "on_pushButton_add_clicked()",
                                          "on_pushButton_remove_clicked()", "on_pushButton_divide_clicked()",
                                          "on_pushButton_merge_clicked()", "on_pushButton_observe_clicked()",
                                          "on_pushButton_set_ob_item_clicked()"}));
    }

    // --- generate ---

    void generateLaysOutDatesWithMergedValues()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(e.column(0), kMonthlyLock3);
        QVERIFY(e.merged(1, "103"));
        QVERIFY(e.merged(2, "16"));
        QVERIFY(e.merged(3, "80"));
        QCOMPARE(e.steps->text(), QStringLiteral("10"));
        QCOMPARE(e.table->item(0, 0)->textAlignment(), int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(e.w.startDate(), QDate(2024, 1, 15));
        QCOMPARE(e.w.expiryDate(), QDate(2025, 1, 15));
        QCOMPARE(WidgetObserveGlobal::observe_dates, kMonthlyLock3.join("_"));
        QCOMPARE(WidgetObserveGlobal::observe_ko_barrier, QStringLiteral("103"));
        QCOMPARE(WidgetObserveGlobal::observe_ko_coupon, QStringLiteral("16"));
        QCOMPARE(WidgetObserveGlobal::observe_ki_barrier, QStringLiteral("80"));
    }

    void generateMovesWeekendDatesOntoTradingDays()
    {
        RecordingPrompter rec;
        Editor e;
        e.w.setSchedule(QDate(2024, 1, 13), QDate(2025, 1, 18), "103", "16", "80");  // Saturdays
        QCOMPARE(e.w.startDate(), QDate(2024, 1, 15));
        QCOMPARE(e.w.expiryDate(), QDate(2025, 1, 20));
        QStringList expected = kMonthlyLock3;
        expected.last() = "20250120";
        QCOMPARE(e.column(0), expected);
    }

    void generateWithBadLockCount()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        e.lock->setText("50");
        e.click("pushButton_observe");
        QCOMPARE(rec.summary(),
                 QStringList({QStringLiteral("观察日参数错误|锁定观察数量大于以观察频率取样的日期数量!")}));
        QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(rec.boxes[0].parent, nullptr);
        QCOMPARE(e.column(0), kMonthlyLock3);  // the table stays
        QVERIFY(e.merged(1, "103"));
        QVERIFY(WidgetObserveGlobal::observe_dates.isEmpty());

        // Not a number reads as 0: nothing locked, nothing refused.
        rec.clear();
        e.lock->setText("abc");
        e.click("pushButton_observe");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(e.column(0), kMonthlyLock1);
    }

    void generateAfterPerDateSaveWarnsOnCountMismatch()
    {
        RecordingPrompter rec;
        Editor e;
        const QStringList ko = {"100", "99", "98", "97", "96", "95", "94", "93", "92", "91", "90", "89"};
        e.load("1", ko.join("_"), "16", "80");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(e.column(1), ko);
        e.click("pushButton_divide");
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(WidgetObserveGlobal::observe_ko_barrier, ko.join("_"));
        QCOMPARE(WidgetObserveGlobal::observe_ko_coupon, repeat("16", 12).join("_"));

        // Fewer dates: the first ten values are kept.
        e.lock->setText("3");
        e.click("pushButton_observe");
        QCOMPARE(rec.summary(), QStringList({kWarnTitle + "|敲出价格数量大于观察日数量!",
                                             kWarnTitle + "|敲出票息数量大于观察日数量!",
                                             kWarnTitle + "|敲入价格数量大于观察日数量!"}));
        QCOMPARE(rec.boxes[0].parent, &e.w);
        QCOMPARE(rec.boxes[0].icon, prompt::Icon::Warning);
        QCOMPARE(e.column(0), kMonthlyLock3);
        QCOMPARE(e.column(1), ko.mid(0, 10));

        // More dates (biweekly): rows beyond the values keep "-".
        rec.clear();
        e.frequency->setCurrentText("双周");
        e.click("pushButton_observe");
        QCOMPARE(rec.summary().first(), kWarnTitle + "|敲出价格数量小于观察日数量!");
        const int rows = e.table->rowCount();
        QVERIFY(rows > 12);
        QCOMPARE(e.column(1), ko + repeat("-", rows - 12));
    }

    void generateWithEmptyValueTexts()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "", "", "");
        QCOMPARE(rec.summary(), QStringList({kWarnTitle + "|敲出价格数量小于观察日数量!"}));
        for (int c = 1; c <= 3; ++c)
            QCOMPARE(e.column(c), repeat("-", 10));
    }

    // --- set step series ---

    void stepSeriesOnMergedThenDividedColumn()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("1", "103", "16", "80");
        QCOMPARE(e.steps->text(), QStringLiteral("12"));
        e.click("pushButton_set_ob_item");
        QVERIFY(rec.boxes.isEmpty());
        QVERIFY(e.merged(1, "100"));  // only the merged cell changes

        e.click("pushButton_divide");
        QCOMPARE(e.column(1), repeat("100", 12));
        QCOMPARE(e.column(2), repeat("16", 12));
        QCOMPARE(e.table->rowSpan(0, 1), 1);
        e.click("pushButton_set_ob_item");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(e.column(1), kDefaultSteps);
    }

    void stepSeriesWithOtherCounts()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("1", "103", "16", "80");
        e.click("pushButton_divide");
        e.target->setCurrentIndex(1);
        e.startValue->setText("20");
        e.change->setText("-1");
        e.steps->setText("13");
        e.click("pushButton_set_ob_item");
        QCOMPARE(rec.summary(), QStringList({kWarnTitle + "|敲出票息数量大于观察日数量!"}));
        QCOMPARE(e.column(2), QStringList({"20", "19", "18", "17", "16", "15", "14", "13", "12", "11", "10", "9"}));

        rec.clear();
        e.target->setCurrentIndex(2);
        e.steps->setText("abc");  // reads as 0 steps
        e.click("pushButton_set_ob_item");
        QCOMPARE(rec.summary(), QStringList({kWarnTitle + "|敲入价格数量小于观察日数量!"}));
        QCOMPARE(e.column(3), repeat("80", 12));

        rec.clear();
        e.startValue->setText("x");  // reads as 0
        e.change->setText("0.5");
        e.steps->setText("3");
        e.click("pushButton_set_ob_item");
        QCOMPARE(rec.summary(), QStringList({kWarnTitle + "|敲入价格数量小于观察日数量!"}));
        QCOMPARE(e.column(3), QStringList({"0", "0.5", "1"}) + repeat("80", 9));
    }

    // --- divide / merge ---

    void divideAndMergeSwitchTheValueColumns()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        e.click("pushButton_divide");
        for (int c = 1; c <= 3; ++c)
            QCOMPARE(e.table->rowSpan(0, c), 1);
        QCOMPARE(e.column(3), repeat("80", 10));
        e.table->item(0, 1)->setText("");  // the first non-empty value is taken
        e.table->item(1, 1)->setText("101");
        e.click("pushButton_merge");
        QVERIFY(e.merged(1, "101"));
        QVERIFY(e.merged(2, "16"));
        QVERIFY(e.merged(3, "80"));
        QCOMPARE(e.column(0), kMonthlyLock3);
        QVERIFY(rec.boxes.isEmpty());

        Editor empty;
        empty.click("pushButton_divide");
        empty.click("pushButton_merge");
        QCOMPARE(empty.table->rowCount(), 0);
    }

    void singleValuesAfterDivideMustBeMergedBeforeSaving()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        e.click("pushButton_divide");
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        const QString savedKo = WidgetObserveGlobal::observe_ko_barrier;
        QCOMPARE(savedKo, repeat("103", 10).join("_"));

        WidgetObserveGlobal::observe_ko_barrier = "103";  // a single value again
        WidgetObserveGlobal::observe_ko_coupon = "16";
        WidgetObserveGlobal::observe_ki_barrier = "80";
        e.click("pushButton_observe");
        QVERIFY(e.merged(1, "103"));
        e.click("pushButton_save");
        QCOMPARE(rec.summary(), QStringList({kBadTable}));
        QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(rec.boxes[0].parent, &e.w);

        rec.clear();
        e.click("pushButton_merge");
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(WidgetObserveGlobal::observe_ko_barrier, QStringLiteral("103"));
    }

    // --- add / remove rows ---

    void addAndRemoveNeedARow()
    {
        RecordingPrompter rec;
        Editor e;
        e.click("pushButton_add");
        e.click("pushButton_remove");
        QCOMPARE(rec.summary(), QStringList({kNoRows, kNoRows}));
        QCOMPARE(rec.boxes[0].icon, prompt::Icon::Information);
        QCOMPARE(rec.boxes[1].parent, &e.w);

        e.load("3", "103", "16", "80");
        e.table->setCurrentCell(-1, -1);
        rec.clear();
        e.click("pushButton_add");
        e.click("pushButton_remove");
        QCOMPARE(rec.summary(), QStringList({kNoCurrent, kNoCurrent}));
        QCOMPARE(e.table->rowCount(), 10);
    }

    void addAboveFirstRowKeepsTheMergedCells()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        e.select(0);
        e.click("pushButton_add");
        QCOMPARE(e.table->rowCount(), 11);
        QCOMPARE(e.column(0), QStringList({""}) + kMonthlyLock3);
        QCOMPARE(e.table->item(0, 0)->textAlignment(), int(Qt::AlignRight | Qt::AlignVCenter));
        QVERIFY(e.merged(1, "103"));
        QVERIFY(e.merged(2, "16"));
        QVERIFY(e.merged(3, "80"));

        // An empty date is refused; typed in, the row is saved in place.
        e.click("pushButton_save");
        QCOMPARE(rec.summary(), QStringList({kBadTable}));
        rec.clear();
        e.type(0, 0, "20240401");
        QCOMPARE(e.table->item(0, 0)->text(), QStringLiteral("20240401"));
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(WidgetObserveGlobal::observe_dates, "20240401_" + kMonthlyLock3.join("_"));
        QCOMPARE(WidgetObserveGlobal::observe_ko_barrier, QStringLiteral("103"));
    }

    void addInsidePerDateTableNeedsTypedValues()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        e.click("pushButton_divide");
        e.select(3);
        e.click("pushButton_add");
        QCOMPARE(e.table->rowCount(), 11);
        QCOMPARE(e.column(1).at(3), QStringLiteral("<none>"));
        e.type(3, 0, "20240620");
        e.click("pushButton_save");
        QCOMPARE(rec.summary(), QStringList({kBadTable}));

        rec.clear();
        e.type(3, 1, "101");
        e.type(3, 2, "15");
        e.type(3, 3, "79");
        QCOMPARE(e.table->item(3, 1)->textAlignment(), int(Qt::AlignCenter));  // from the prototype
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QStringList dates = kMonthlyLock3;
        dates.insert(3, "20240620");
        QCOMPARE(WidgetObserveGlobal::observe_dates, dates.join("_"));
        QStringList ko = repeat("103", 10);
        ko.insert(3, "101");
        QCOMPARE(WidgetObserveGlobal::observe_ko_barrier, ko.join("_"));
        QStringList ki = repeat("80", 10);
        ki.insert(3, "79");
        QCOMPARE(WidgetObserveGlobal::observe_ki_barrier, ki.join("_"));
    }

    void removeFirstRowKeepsTheMergedValues()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        e.select(0);
        e.click("pushButton_remove");
        QCOMPARE(e.column(0), kMonthlyLock3.mid(1));
        QCOMPARE(e.column(1).at(0), QStringLiteral("103"));
        QCOMPARE(e.column(2).at(0), QStringLiteral("16"));
        QCOMPARE(e.column(3).at(0), QStringLiteral("80"));
        QCOMPARE(e.table->rowSpan(0, 1), 9);
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(WidgetObserveGlobal::observe_dates, kMonthlyLock3.mid(1).join("_"));
        QCOMPARE(WidgetObserveGlobal::observe_ko_coupon, QStringLiteral("16"));

        e.select(4);
        e.click("pushButton_remove");
        QStringList left = kMonthlyLock3.mid(1);
        left.removeAt(4);
        QCOMPARE(e.column(0), left);

        // Remove every row: the table ends empty and "-" then asks for dates.
        while (e.table->rowCount() > 0) {
            e.select(0);
            e.click("pushButton_remove");
        }
        QVERIFY(rec.boxes.isEmpty());
        e.click("pushButton_remove");
        QCOMPARE(rec.summary(), QStringList({kNoRows}));
    }

    // --- save ---

    void saveRefusesMalformedTables()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "16", "80");
        e.click("pushButton_divide");
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        const QStringList saved = {WidgetObserveGlobal::observe_dates, WidgetObserveGlobal::observe_ko_barrier,
                                   WidgetObserveGlobal::observe_ko_coupon,
                                   WidgetObserveGlobal::observe_ki_barrier};

        auto refused = [&](const char* what) {
            rec.clear();
            e.click("pushButton_save");
            QVERIFY2(rec.summary() == QStringList({kBadTable}), what);
            const QStringList now = {WidgetObserveGlobal::observe_dates, WidgetObserveGlobal::observe_ko_barrier,
                                     WidgetObserveGlobal::observe_ko_coupon,
                                     WidgetObserveGlobal::observe_ki_barrier};
            QVERIFY2(now == saved, what);
        };
        e.table->item(2, 0)->setText("2024061");
        refused("7-character date");
        e.table->item(2, 0)->setText("202406170");
        refused("9-character date");
        e.table->item(2, 0)->setText("20240617");
        e.table->item(5, 2)->setText("");
        refused("blank value cell");
        delete e.table->takeItem(5, 2);
        refused("missing value cell");
        QCOMPARE(e.table->rowCount(), 10);  // nothing lost from the table
        QCOMPARE(e.column(0), kMonthlyLock3);

        // A date with a leading blank passes and is saved as typed.
        e.table->setItem(5, 2, new QTableWidgetItem("16"));
        e.table->item(1, 0)->setText(" 20240515");
        rec.clear();
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QStringList dates = kMonthlyLock3;
        dates[1] = " 20240515";
        QCOMPARE(WidgetObserveGlobal::observe_dates, dates.join("_"));
    }

    void mergedModeSavesDashCells()
    {
        RecordingPrompter rec;
        Editor e;
        e.load("3", "103", "", "80");  // no coupon: the column keeps "-"
        QVERIFY(rec.boxes.isEmpty());
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(WidgetObserveGlobal::observe_ko_barrier, QStringLiteral("103"));
        QCOMPARE(WidgetObserveGlobal::observe_ko_coupon, repeat("-", 10).join("_"));
        QCOMPARE(WidgetObserveGlobal::observe_ki_barrier, QStringLiteral("80"));
    }

    void saveOfEmptyTablePublishesEmptyTexts()
    {
        RecordingPrompter rec;
        Editor e;
        WidgetObserveGlobal::observe_dates = "stale";
        e.click("pushButton_save");
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(WidgetObserveGlobal::observe_dates, QString());
        QCOMPARE(WidgetObserveGlobal::observe_ko_barrier, QString());
    }
};

QTEST_MAIN(TestWidgetObserveGlobal)
#include "TestWidgetObserveGlobal.moc"
