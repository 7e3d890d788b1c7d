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

QAction* actionNamed(QWidget* w, const QString& text)
{
    for (QAction* a : w->actions())
        if (a->text() == text)
            return a;
    return nullptr;
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

const QByteArray kSampleCsv = QByteArray("Spot,") + QStringLiteral("敲出价格").toUtf8()
                              + "\n1000.5,x\nline\nbreak,\n";

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
        QStringList texts;
        for (QAction* a : all.actions())
            texts << a->text();
        QCOMPARE(texts, QStringList({"导出", "导出为...", "增加行", "删除"}));
        QCOMPARE(all.contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(all.selectionBehavior(), QAbstractItemView::SelectRows);

        ExportTableWidget exportOnly;
        texts.clear();
        for (QAction* a : exportOnly.actions())
            texts << a->text();
        QCOMPARE(texts, QStringList({"导出", "导出为..."}));
        QCOMPARE(exportOnly.contextMenuPolicy(), Qt::ActionsContextMenu);

        TableWidget_Popmenu none(0);
        QVERIFY(none.actions().isEmpty());
        QCOMPARE(none.contextMenuPolicy(), Qt::DefaultContextMenu);
    }

    void exportWritesTypedNameInWorkingDirectory()
    {
        RecordingPrompter rec;
        rec.textAnswers << "abc";
        ExportTableWidget t;
        fillSample(t);
        actionNamed(&t, "导出")->trigger();

        QCOMPARE(rec.textDialogs.size(), 1);
        QCOMPARE(rec.textDialogs[0].title, QStringLiteral("导出"));
        QCOMPARE(rec.textDialogs[0].label, QStringLiteral("导出的文件名为："));
        QCOMPARE(rec.textDialogs[0].preset, QStringLiteral("Export"));
        QCOMPARE(rec.textDialogs[0].parent, &t);
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(readAll(dir.filePath("abc.csv")), kSampleCsv);
        // The table is untouched by the export.
        QCOMPARE(t.item(1, 0)->text(), QStringLiteral("line\nbreak"));
    }

    void exportWithoutNameWritesNothing()
    {
        ExportTableWidget t;
        fillSample(t);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        for (const QString& answer : {QString(), QString("")}) {  // cancel, empty
            RecordingPrompter rec;
            rec.textAnswers << answer;
            actionNamed(&t, "导出")->trigger();
            QCOMPARE(rec.summary(), QStringList({kNoName}));
            QCOMPARE(rec.boxes[0].icon, prompt::Icon::Warning);
            QCOMPARE(rec.boxes[0].parent, nullptr);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
    }

    void exportNameOfSpacesIsAccepted()
    {
        RecordingPrompter rec;
        rec.textAnswers << "   ";
        ExportTableWidget t;
        fillSample(t);
        actionNamed(&t, "导出")->trigger();
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(readAll(dir.filePath("   .csv")), kSampleCsv);
    }

    void exportToUsesTheChosenFileUnchanged()
    {
        RecordingPrompter rec;
        const QString path = dir.filePath("chosen.txt");
        rec.fileAnswers << path;
        ExportTableWidget t;
        fillSample(t);
        actionNamed(&t, "导出为...")->trigger();

        QCOMPARE(rec.fileDialogs.size(), 1);
        QCOMPARE(rec.fileDialogs[0].caption, QStringLiteral("表格内容保存为"));
        QCOMPARE(rec.fileDialogs[0].dir, QString());
        QCOMPARE(rec.fileDialogs[0].filter, QStringLiteral("csv files (*.csv)"));
        QCOMPARE(rec.fileDialogs[0].parent, &t);
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(readAll(path), kSampleCsv);
        QVERIFY(!QFile::exists(path + ".csv"));
    }

    void exportToCancelledWarns()
    {
        RecordingPrompter rec;  // no file answer: cancelled
        ExportTableWidget t;
        fillSample(t);
        actionNamed(&t, "导出为...")->trigger();
        QCOMPARE(rec.summary(), QStringList({kNoName}));
    }

    void exportToPathThatCannotBeOpened()
    {
        ExportTableWidget t;
        fillSample(t);
        const QString folder = dir.filePath("folder");
        QVERIFY(QDir().mkpath(folder));
        const QString missing = dir.filePath("no/such/dir/x.csv");
        for (const QString& path : {folder, missing}) {
            RecordingPrompter rec;
            rec.fileAnswers << path;
            actionNamed(&t, "导出为...")->trigger();
            QCOMPARE(rec.summary(), QStringList({QStringLiteral("无法打开文件:|") + path}));
            QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
            QCOMPARE(rec.boxes[0].parent, nullptr);
        }
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(!QFile::exists(missing));
        QCOMPARE(t.rowCount(), 2);
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
        ExportTableWidget noRows;
        noRows.setColumnCount(3);
        ExportTableWidget noColumns;
        noColumns.setRowCount(3);
        const QString existing = dir.filePath("existing.csv");
        writeFile(existing, "keep me\n");
        const QString fresh = dir.filePath("fresh.csv");
        for (ExportTableWidget* t : {&noRows, &noColumns}) {
            for (const QString& path : {existing, fresh}) {
                RecordingPrompter rec;
                rec.fileAnswers << path;
                actionNamed(t, "导出为...")->trigger();
                QCOMPARE(rec.summary(), QStringList({kEmpty}));
                QCOMPARE(rec.boxes[0].icon, prompt::Icon::Critical);
            }
        }
        QCOMPARE(readAll(existing), QByteArray("keep me\n"));
        QVERIFY(!QFile::exists(fresh));
        // Nothing is left behind by the refused exports.
        QCOMPARE(QDir(dir.path()).entryList({"*existing*", "*fresh*"}, QDir::Files | QDir::Hidden),
                 QStringList({"existing.csv"}));
    }

    void exportReplacesAnExistingFile()
    {
        const QString path = dir.filePath("replace.csv");
        writeFile(path, "old content that is longer than the new one\n");
        QTableWidget t(1, 1);
        t.setHorizontalHeaderItem(0, new QTableWidgetItem("h"));
        t.setItem(0, 0, new QTableWidgetItem("v"));
        RecordingPrompter rec;
        QVERIFY(exportTableToCsv(&t, path));
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(readAll(path), QByteArray("h\nv\n"));
    }

    void exportOfSeveralTables()
    {
        QTableWidget a(1, 2), b(2, 1), noRows(0, 2);
        a.setHorizontalHeaderItem(0, new QTableWidgetItem("a1"));
        a.setHorizontalHeaderItem(1, new QTableWidgetItem("a2"));
        a.setItem(0, 0, new QTableWidgetItem("1"));
        a.setItem(0, 1, new QTableWidgetItem("2"));
        b.setItem(0, 0, new QTableWidgetItem("x"));
        b.setItem(1, 0, new QTableWidgetItem("y"));
        QMap<QByteArray, QTableWidget*> tables;
        tables["Value"] = &b;   // 'V' sorts before 'a' byte-wise
        tables["a"] = &a;
        tables["empty"] = &noRows;
        tables["null"] = nullptr;

        RecordingPrompter rec;
        const QString path = dir.filePath("stress.csv");
        QVERIFY(exportTablesToCsv(tables, path));
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(readAll(path), QByteArray("Value\n\nx\ny\n\n\na\na1,a2\n1,2\n\n\n"));

        const QString none = dir.filePath("none.csv");
        QMap<QByteArray, QTableWidget*> nothing;
        nothing["empty"] = &noRows;
        QVERIFY(!exportTablesToCsv(nothing, none));
        QCOMPARE(rec.summary(), QStringList({kEmpty}));
        QVERIFY(!QFile::exists(none));

        rec.clear();
        QVERIFY(!exportTablesToCsv(tables, dir.path()));
        QCOMPARE(rec.summary(), QStringList({QStringLiteral("无法打开文件:|") + dir.path()}));
    }
};

QTEST_MAIN(TestTableExport)
#include "TestTableExport.moc"
