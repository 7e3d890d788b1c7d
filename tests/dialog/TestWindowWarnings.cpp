// What the window warns about beside its results: trading days of years the
// calendar only estimates, a grid top the price may reach, grids that would
// not fit in memory, and the matrix export through the one file writer.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "MatrixText.h"
#include "PriceCeiling.h"
#include "WholeFileWriter.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QtTest>

#include <memory>

class TestWindowWarnings : public QObject, private DialogFixture
{
    Q_OBJECT

private:
    static QLabel* estimated(DialogUnderTest& d) { return d.child<QLabel>("label_estimated"); }

    static void moveDates(DialogUnderTest& d, const QDate& start, const QDate& expiry)
    {
        SavedSchedule s = d.published();
        s.start = start;
        s.expiry = expiry;
        d.publish(s);
    }

    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!trd_calendar().empty());
        QVERIFY(home.isValid());
    }
    void init() { prompter = std::make_unique<RecordingPrompter>(); }
    void cleanup() { prompter.reset(); }

    // The label follows the dates: shown with every estimated year the span
    // reaches named in its tooltip, hidden for spans of published years only.
    void estimatedYearsBesideMaturity_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("expiry");
        QTest::addColumn<QString>("tooltip");
        const QString tail = "交易日为估算，官方休市安排公布后请更新交易日历";
        QTest::newRow("published years only") << QDate(2025, 1, 6) << QDate(2026, 6, 30) << QString();
        QTest::newRow("into 2027") << QDate(2026, 3, 2) << QDate(2027, 3, 1) << "2027年" + tail;
        QTest::newRow("three estimated years") << QDate(2026, 12, 1) << QDate(2029, 6, 29)
                                               << "2027年、2028年、2029年" + tail;
        QTest::newRow("starts inside") << QDate(2030, 1, 2) << QDate(2031, 1, 2) << "2030年、2031年" + tail;
        QTest::newRow("ends on the last published day") << QDate(2026, 1, 5) << QDate(2026, 12, 31) << QString();
    }
    void estimatedYearsBesideMaturity()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, expiry);
        QFETCH(QString, tooltip);
        auto d = makeDialog();
        // The default dates, today to a year ahead, reach into the next year.
        const QDate today = QDate::currentDate();
        QCOMPARE(estimated(*d)->isVisibleTo(d.get()),
                 trd_calendar().reaches_estimated_year(today.year() * 10000 + 101, today.addYears(1).year() * 10000 + 1231));

        moveDates(*d, start, expiry);
        QCOMPARE(estimated(*d)->isVisibleTo(d.get()), !tooltip.isEmpty());
        QCOMPARE(estimated(*d)->toolTip(), tooltip);
        QCOMPARE(estimated(*d)->text(), QString("含估算交易日"));
        QVERIFY(prompter->boxes.isEmpty());
    }

    // A calendar without the marks estimates nothing, whatever the dates.
    void calendarWithoutMarksShowsNothing()
    {
        const QString path = home.filePath("unmarked_calendar.csv");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
            QTextStream out(&f);
            out << "iDate\n";
            for (int date : trd_calendar().dates())
                out << date << '\n';
        }
        Calendar unmarked(7);
        QVERIFY(unmarked.load(path.toStdString()));
        QVERIFY(unmarked.estimated_years().empty());
        DialogUnderTest d(unmarked);
        moveDates(d, QDate(2026, 12, 1), QDate(2029, 6, 29));
        QVERIFY(!d.lineEdit_T->text().isEmpty());
        QVERIFY(!estimated(d)->isVisibleTo(&d));
        QVERIFY(estimated(d)->toolTip().isEmpty());
    }

    // At 300% volatility twice the spot is reached often: the price is still
    // given, and 价格上限 is marked with the safer ceiling and the M that
    // keeps the price step. The suggested ceiling clears the mark.
    void lowPriceCeilingMarked()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        QVERIFY(!d->lineEdit_Smax->property("ceilingLow").toBool());
        QVERIFY(d->lineEdit_Smax->toolTip().isEmpty());

        d->lineEdit_vol->setText("300");
        d->pushButton_price->click();
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->lineEdit_price->text() != QString("-"));
        QVERIFY(d->lineEdit_Smax->property("ceilingLow").toBool());
        const PDEParams& x = d->pricingEngine().params;
        const double chance = ceiling_reach_chance(100, 200, 3.0, 0.015, 0, x.T);
        const double safer = safe_price_ceiling(100, 3.0, 0.015, 0, x.T);
        QVERIFY(chance > 100 * kCeilingReachLimit);  // far above the warning threshold
        QVERIFY(safer > 1000);
        const QString tip = d->lineEdit_Smax->toolTip();
        QVERIFY2(tip.contains("价格上限 200 偏低"), qPrintable(tip));
        QVERIFY2(tip.contains(QString::number(100.0 * chance, 'g', 2) + "%"), qPrintable(tip));
        QVERIFY2(tip.contains("建议价格上限取 " + QString::number(safer, 'g', 6)), qPrintable(tip));
        QVERIFY2(tip.contains("M 取 " + QString::number(std::ceil(60 * safer / 200))), qPrintable(tip));
        QCOMPARE(d->lineEdit_Smax->text(), QString("200"));  // the default stays

        d->lineEdit_Smax->setText(QString::number(safer, 'g', 6));
        d->pushButton_price->click();
        QVERIFY(!d->lineEdit_Smax->property("ceilingLow").toBool());
        QVERIFY(d->lineEdit_Smax->toolTip().isEmpty());
    }

    // Grids beyond half the machine's memory are refused before they start,
    // with the estimate; what was shown is replaced by "-".
    void oversizedGridsRefused()
    {
        auto d = makeDialog();
        d->lineEdit_M->setText("2000000000");
        d->pushButton_price->click();
        QCOMPARE(prompter->boxes.size(), 1);
        QCOMPARE(prompter->boxes[0].title, QString("结构参数错误"));
        const QString text = prompter->boxes[0].text;
        QVERIFY2(text.startsWith("2000000000 x 243 的网格约需内存"), qPrintable(text));
        // Ten working vectors of the price column alone: 8 x 10 x 2e9 bytes.
        QVERIFY2(text.contains(QString::number(8.0 * 10 * 2e9 / (1 << 30), 'f', 0)), qPrintable(text));
        QVERIFY(text.contains("超过本机内存的一半"));
        QCOMPARE(d->lineEdit_price->text(), QString("-"));
        prompter->clear();

        // Kept grids cost 20 doubles a node: two million price nodes do not fit.
        d->lineEdit_M->setText("60");
        d->pushButton_price->click();
        d->lineEdit_M->setText("2000000");
        d->pushButton_calc_greeks->click();
        QCOMPARE(prompter->boxes.size(), 1);
        QCOMPARE(prompter->boxes[0].title, QString("错误:"));
        QVERIFY(prompter->boxes[0].text.startsWith("2000000 x 243 的网格约需内存"));
        QCOMPARE(d->lineEdit_out_price->text(), QString("-"));
        QVERIFY(!d->gridCurrent());
    }

    // The export appends the engine's blocks whole through the file writer.
    void matrixExportThroughTheWriter()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        d->pushButton_calc_greeks->click();
        const QByteArray blocks = QByteArray::fromStdString(matrices_text(d->pricingEngine()));
        QVERIFY(blocks.startsWith("MATRIX:Price"));

        const QString path = home.filePath("grids.csv");
        prompter->fileAnswers << path << path;
        d->pushButton_export_matrix->click();
        QCOMPARE(readAll(path), blocks);
        d->pushButton_export_matrix->click();
        QCOMPARE(readAll(path), blocks + blocks);
        QVERIFY(prompter->boxes.isEmpty());

        // Cancelled: nothing is written, nothing is said.
        d->pushButton_export_matrix->click();
        QCOMPARE(readAll(path), blocks + blocks);
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(!QFile::exists(home.filePath("AutoCall01.csv")));

        // Refused targets: the writer's own reason follows the message.
        for (const QString& bad : {home.filePath("no/such/folder/grids.csv"), home.path()}) {
            prompter->clear();
            prompter->fileAnswers << bad;
            d->pushButton_export_matrix->click();
            const files::WriteStatus expected = files::writeWhole(bad, files::WriteMode::Append, QByteArray("x"));
            QVERIFY(!expected.ok);
            QVERIFY(!expected.message.isEmpty());
            QCOMPARE(prompter->summary(),
                     QStringList({"请注意：|无法写入文件 " + bad + "，未保存。\n" + expected.message}));
            QCOMPARE(prompter->boxes[0].icon, prompt::Icon::Warning);
        }
    }
};

QTEST_MAIN(TestWindowWarnings)
#include "TestWindowWarnings.moc"
