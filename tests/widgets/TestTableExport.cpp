// Export actions of the popup-menu tables and the CSV writers, checked on the
// files they leave in a temporary working directory.
#include "ExportTableWidget.h"
#include "RecordingPrompter.h"
#include "TableHelpers.h"
#include "TableWidget_Popmenu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void trigger(QWidget* w, const QString& text)
{
    for (QAction* a : w->actions())
        if (a->text() == text) {
            a->trigger();
            return;
        }
    QFAIL(qPrintable("no action " + text));
}

QStringList actionTexts(const QWidget& w)
{
    QStringList out;
    for (QAction* a : w.actions())
        out << a->text();
    return out;
}

// 2 x 2 with a header line break, a comma in a number, a line break in a cell
// and a missing cell.
void fillSample(QTableWidget& t)
{
    t.setColumnCount(2);
    t.setRowCount(2);
    t.setHorizontalHeaderItem(0, new QTableWidgetItem("Spot"));
    t.setHorizontalHeaderItem(1, new QTableWidgetItem(QStringLiteral("敲出\n价格")));
    t.setItem(0, 0, new QTableWidgetItem("1,000.5"));
    t.setItem(0, 1, new QTableWidgetItem("x"));
    t.setItem(1, 0, new QTableWidgetItem("line\nbreak"));
}

const QByteArray kSampleCsv = QByteArray("Spot,") + QStringLiteral("敲出价格").toUtf8() + "\n1000.5,x\nline\nbreak,\n";
const QString kNoName = QStringLiteral("错误：|未输入有效文件名，未保存表格内容！");
const QString kEmpty = QStringLiteral("错误:|试图导出空表。");

}  // namespace

class TestTableExport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString oldCwd;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(oldCwd); }

    void menuShowsTheChosenActionsInOrder()
    {
        TableWidget_Popmenu all(15);
        QCOMPARE(actionTexts(all), QStringList({"导出", "导出为...", "增加行", "删除"}));
        QCOMPARE(all.contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(all.selectionBehavior(), QAbstractItemView::SelectRows);
        ExportTableWidget exportOnly;
        QCOMPARE(actionTexts(exportOnly), QStringList({"导出", "导出为..."}));
        TableWidget_Popmenu none(0);
        QVERIFY(none.actions().isEmpty());
        QCOMPARE(none.contextMenuPolicy(), Qt::DefaultContextMenu);
    }

    // "导出": a name typed in the text dialog, written to the working directory.
    void exportByName_data()
    {
        QTest::addColumn<QString>("answer");  // null: cancelled
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("name") << QStringLiteral("abc") << QStringLiteral("abc.csv") << QStringList();
        QTest::newRow("spaces") << QStringLiteral("   ") << QStringLiteral("   .csv") << QStringList();
        QTest::newRow("cancelled") << QString() << QString() << QStringList({kNoName});
        QTest::newRow("empty") << QStringLiteral("") << QString() << QStringList({kNoName});
    }

    void exportByName()
    {
        QFETCH(QString, answer);
        QFETCH(QString, file);
        QFETCH(QStringList, boxes);
        const QStringList before = QDir().entryList(QDir::Files);
        RecordingPrompter rec;
        rec.textAnswers << answer;
        ExportTableWidget t;
        fillSample(t);
        trigger(&t, "导出");
        QCOMPARE(rec.textDialogs.size(), 1);
        const auto& d = rec.textDialogs[0];
        QCOMPARE((QStringList{d.title, d.label, d.preset}), QStringList({"导出", "导出的文件名为：", "Export"}));
        QCOMPARE(d.parent, &t);
        QCOMPARE(rec.summary(), boxes);
        if (file.isNull()) {
            QCOMPARE(rec.boxes[0].icon, prompt::Icon::Warning);
            QCOMPARE(QDir().entryList(QDir::Files), before);
        } else {
            QCOMPARE(readAll(file), kSampleCsv);
        }
        QCOMPARE(t.item(1, 0)->text(), QStringLiteral("line\nbreak"));  // the table is untouched
    }

    // "导出为...": the chosen path is used unchanged, an existing file replaced.
    void exportTo_data()
    {
        QTest::addColumn<QString>("path");  // null: cancelled
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("chosen file") << QStringLiteral("chosen.txt") << QStringList();
        QTest::newRow("cancelled") << QString() << QStringList({kNoName});
        QTest::newRow("folder") << QStringLiteral("folder") << QStringList({"无法打开文件:|folder"});
        QTest::newRow("missing directory")
            << QStringLiteral("no/such/x.csv") << QStringList({"无法打开文件:|no/such/x.csv"});
    }

    void exportTo()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, boxes);
        QVERIFY(QDir().mkpath("folder"));
        if (boxes.isEmpty())
            writeFile(path, "old content, longer than the new one\n");
        RecordingPrompter rec;
        if (!path.isNull())
            rec.fileAnswers << path;
        ExportTableWidget t;
        fillSample(t);
        trigger(&t, "导出为...");
        QCOMPARE(rec.fileDialogs.size(), 1);
        const auto& d = rec.fileDialogs[0];
        QCOMPARE((QStringList{d.caption, d.dir, d.filter}), QStringList({"表格内容保存为", "", "csv files (*.csv)"}));
        QCOMPARE(d.parent, &t);
        QCOMPARE(rec.summary(), boxes);
        if (boxes.isEmpty()) {
            QCOMPARE(readAll(path), kSampleCsv);
            QVERIFY(!QFile::exists(path + ".csv"));
        } else if (!path.isNull()) {
            QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
            QCOMPARE(rec.boxes[0].parent, nullptr);
        }
        QVERIFY(QFileInfo("folder").isDir());
        QVERIFY(!QFile::exists("no"));
        QCOMPARE(t.item(0, 0)->text(), QStringLiteral("1,000.5"));
    }

    void writeFailureIsReported()
    {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no /dev/full here");
        QTableWidget t(1, 1);
        t.setItem(0, 0, new QTableWidgetItem(QString(100000, QLatin1Char('x'))));
        RecordingPrompter rec;
        QVERIFY(!exportTableToCsv(&t, "/dev/full"));
        QCOMPARE(rec.summary(), QStringList({QStringLiteral("无法写入文件:|/dev/full")}));
    }

    void exportOfEmptyTableKeepsExistingFile()
    {
        ExportTableWidget noRows, noColumns;
        noRows.setColumnCount(3);
        noColumns.setRowCount(3);
        writeFile("existing.csv", "keep me\n");
        for (ExportTableWidget* t : {&noRows, &noColumns}) {
            for (const char* path : {"existing.csv", "fresh.csv"}) {
                RecordingPrompter rec;
                rec.fileAnswers << path;
                trigger(t, "导出为...");
                QCOMPARE(rec.summary(), QStringList({kEmpty}));
                QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
            }
        }
        QCOMPARE(readAll("existing.csv"), QByteArray("keep me\n"));
        // Nothing is left behind by the refused exports, not even a temporary file.
        QCOMPARE(QDir().entryList({"*existing*", "*fresh*"}, QDir::Files | QDir::Hidden),
                 QStringList({"existing.csv"}));
    }

    // Several tables in one file (the stress panel's export, whose layout its
    // own test checks byte for byte): empty and missing tables are left out,
    // and nothing to write is refused like an empty table.
    void exportOfSeveralTables()
    {
        QTableWidget a(1, 1), noRows(0, 2);
        a.setItem(0, 0, new QTableWidgetItem("x"));
        RecordingPrompter rec;
        QVERIFY(exportTablesToCsv({{"a", &a}, {"empty", &noRows}, {"null", nullptr}}, "several.csv"));
        QCOMPARE(readAll("several.csv"), QByteArray("a\n\nx\n\n\n"));
        QVERIFY(!exportTablesToCsv({{"empty", &noRows}}, "none.csv"));
        QVERIFY(!QFile::exists("none.csv"));
        QVERIFY(!exportTablesToCsv({{"a", &a}}, dir.path()));
        QCOMPARE(rec.summary(), QStringList({kEmpty, QStringLiteral("无法打开文件:|") + dir.path()}));
    }
};

QTEST_MAIN(TestTableExport)
#include "TestTableExport.moc"
