// Export actions of the popup-menu tables and the CSV writers, checked on the
// files they leave in a temporary working directory.
#include "ExportTableWidget.h"
#include "RecordingPrompter.h"
#include "TableHelpers.h"
#include "TableWidget_Popmenu.h"
#include "WidgetTexts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Message boxes without the reason that a failed write adds on a second line.
QStringList firstLines(const QStringList& summaries)
{
    QStringList out;
    for (const QString& s : summaries)
        out << s.section(QLatin1Char('\n'), 0, 0);
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

    // "导出" asks for a name and writes it to the working directory; "导出为..."
    // uses the chosen path unchanged. Either replaces an existing file.
    void exportActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("answer");  // null: cancelled
        QTest::addColumn<QString>("file");    // null: nothing written
        QTest::addColumn<QStringList>("boxes");
        const auto s = [](const char* text) { return QString::fromUtf8(text); };
        const QString byName = s("导出"), to = s("导出为...");
        QTest::newRow("name") << byName << s("abc") << s("abc.csv") << QStringList();
        QTest::newRow("spaces") << byName << s("   ") << s("   .csv") << QStringList();
        QTest::newRow("name cancelled") << byName << QString() << QString() << QStringList({kNoName});
        QTest::newRow("empty name") << byName << s("") << QString() << QStringList({kNoName});
        QTest::newRow("chosen file") << to << s("chosen.txt") << s("chosen.txt") << QStringList();
        QTest::newRow("file cancelled") << to << QString() << QString() << QStringList({kNoName});
        QTest::newRow("folder") << to << s("folder") << QString() << QStringList({s("无法打开文件:|folder")});
        QTest::newRow("missing directory") << to << s("no/such/x.csv") << QString()
                                           << QStringList({s("无法打开文件:|no/such/x.csv")});
    }

    void exportActions()
    {
        QFETCH(QString, action);
        QFETCH(QString, answer);
        QFETCH(QString, file);
        QFETCH(QStringList, boxes);
        const bool byName = action == QStringLiteral("导出");
        QVERIFY(QDir().mkpath("folder"));
        if (!file.isNull())
            writeFile(file, "old content, longer than the new one\n");
        const QStringList before = QDir().entryList(QDir::Files);
        RecordingPrompter rec;
        if (byName)
            rec.textAnswers << answer;
        else if (!answer.isNull())
            rec.fileAnswers << answer;
        ExportTableWidget t;
        QCOMPARE(t.contextMenuPolicy(), Qt::ActionsContextMenu);  // the actions are the right-click menu
        fillSample(t);
        trigger(&t, action);
        QCOMPARE(rec.textDialogs.size() + rec.fileDialogs.size(), 1);
        const auto asked = byName ? QStringList{rec.textDialogs[0].title, rec.textDialogs[0].label, rec.textDialogs[0].preset}
                                  : QStringList{rec.fileDialogs[0].caption, rec.fileDialogs[0].dir, rec.fileDialogs[0].filter};
        QCOMPARE(asked, byName ? QStringList({"导出", "导出的文件名为：", "Export"}) : QStringList({"表格内容保存为", "", "csv files (*.csv)"}));
        QCOMPARE(byName ? rec.textDialogs[0].parent : rec.fileDialogs[0].parent, static_cast<QObject*>(&t));
        QCOMPARE(firstLines(rec.summary()), boxes);
        if (file.isNull()) {
            QCOMPARE(rec.boxes[0].icon, answer.isEmpty() ? prompt::Icon::Warning : prompt::Icon::Critical);
            if (!answer.isEmpty()) {  // the open failure is reported without a parent, with its reason
                QCOMPARE(rec.boxes[0].parent, nullptr);
                const QString reason = rec.summary()[0].section(QLatin1Char('\n'), 1);
                QVERIFY2(reason.contains(answer == "folder" ? "not a regular file (a folder)" : "does not exist"),
                         qPrintable(reason));
            }
            QCOMPARE(QDir().entryList(QDir::Files), before);
        } else {
            QCOMPARE(readAll(file), kSampleCsv);
            QVERIFY(!QFile::exists(file + ".csv"));
        }
        QVERIFY(QFileInfo("folder").isDir() && !QFile::exists("no"));
        QCOMPARE(t.item(1, 0)->text(), QStringLiteral("line\nbreak"));  // the table is untouched
    }

    // A device is refused before anything is written to it (it is never
    // replaced by a regular file either); so is a pipe.
    void devicesAndPipesAreRefused()
    {
        QStringList targets;
        if (QFileInfo::exists("/dev/full"))
            targets << "/dev/full";
        const QString fifo = dir.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        targets << fifo;
        QTableWidget t(1, 1);
        t.setItem(0, 0, new QTableWidgetItem("x"));
        for (const QString& target : targets) {
            const ExportResult r = exportTableToCsv(&t, target);
            QVERIFY(!r);
            const QString kind = target == fifo ? "(a pipe)" : "(a device)";
            QCOMPARE(r.title + "|" + r.text, "无法打开文件:|" + target + "\n" + target + " is not a regular file " + kind);
        }
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        QVERIFY(QFile::remove(fifo));
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
        RecordingPrompter rec;  // the helpers only report: no box from them
        QVERIFY(exportTablesToCsv({{"a", &a}, {"empty", &noRows}, {"null", nullptr}}, "several.csv"));
        QCOMPARE(readAll("several.csv"), QByteArray("a\n\nx\n\n\n"));
        const ExportResult none = exportTablesToCsv({{"empty", &noRows}}, "none.csv");
        QCOMPARE(none.title + "|" + none.text, kEmpty);
        QVERIFY(!QFile::exists("none.csv"));
        const ExportResult folder = exportTablesToCsv({{"a", &a}}, dir.path());
        QCOMPARE(folder.title + "|" + folder.text,
                 QStringLiteral("无法打开文件:|") + dir.path() + "\n" + dir.path() + " is not a regular file (a folder)");
        QVERIFY(rec.boxes.isEmpty());
    }
};

QTEST_MAIN(TestTableExport)
#include "TestTableExport.moc"
