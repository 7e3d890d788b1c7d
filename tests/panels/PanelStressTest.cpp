#include "PanelStress.h"

#include "ExportTableWidget.h"
#include "RecordingPrompter.h"
#include "SnowballFixture.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <algorithm>

namespace {

QString header(QTableWidget* t, int c)
{
    QTableWidgetItem* item = t->horizontalHeaderItem(c);
    return item ? item->text() : QString();
}

QString cell(QTableWidget* t, int r, int c)
{
    QTableWidgetItem* item = t->item(r, c);
    return item ? item->text() : QString();
}

QString colour(QTableWidget* t, int r, int c)
{
    return t->item(r, c)->background().color().name();
}

QString named(const char* svg)
{
    return QColor(QString::fromLatin1(svg)).name();
}

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'));
}

}  // namespace

class PanelStressTest : public QObject
{
    Q_OBJECT

private:
    Snowball_PDE source = classicSnowball();

    void open(PanelStress& panel) { panel.engine.copy_structure_from(source); }

private slots:
    void windowAndInputs()
    {
        PanelStress panel;
        QCOMPARE(panel.windowTitle(), QString::fromUtf8("S-σ压力测试"));
        QCOMPARE(panel.size(), QSize(880, 430));
        QCOMPARE(panel.lineEdit_price_start->text(), QStringLiteral("70"));
        QCOMPARE(panel.lineEdit_price_end->text(), QStringLiteral("130"));
        QCOMPARE(panel.lineEdit_price_step->text(), QStringLiteral("10"));
        QCOMPARE(panel.lineEdit_vol_start->text(), QStringLiteral("0.05"));
        QCOMPARE(panel.lineEdit_vol_end->text(), QStringLiteral("0.5"));
        QCOMPARE(panel.lineEdit_vol_step->text(), QStringLiteral("0.05"));
        QCOMPARE(panel.lineEdit_days->text(), QStringLiteral("100"));
        QCOMPARE(panel.tabWidget->count(), 3);
        QCOMPARE(panel.tabWidget->tabText(0), QStringLiteral("TV"));
        QCOMPARE(panel.tabWidget->widget(0), panel.table_tv);
        QCOMPARE(panel.tabWidget->tabText(1), QStringLiteral("Delta"));
        QCOMPARE(panel.tabWidget->widget(1), panel.table_delta);
        QCOMPARE(panel.tabWidget->tabText(2), QStringLiteral("Gamma"));
        QCOMPARE(panel.tabWidget->widget(2), panel.table_gamma);
    }

    void calculationRefusedBeforePricing()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(prompter.summary(),
                 QStringList{QString::fromUtf8("错误:|结构信息未初始化，请先点击【定价】")});
        QCOMPARE(prompter.boxes.front().icon, prompt::Icon::Critical);
        QCOMPARE(prompter.boxes.front().parent, &panel);
        QCOMPARE(panel.table_tv->rowCount(), 0);
    }

    void defaultCalculation()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        open(panel);
        panel.lineEdit_days->setText(QStringLiteral("252"));   // tau = T: today's column
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QVERIFY(prompter.boxes.isEmpty());

        const QStringList prices{"情景", "70", "80", "90", "100", "110", "120", "130"};
        for (QTableWidget* t : {static_cast<QTableWidget*>(panel.table_tv),
                                static_cast<QTableWidget*>(panel.table_delta),
                                static_cast<QTableWidget*>(panel.table_gamma)}) {
            QCOMPARE(t->rowCount(), 10);
            QCOMPARE(t->columnCount(), 8);
            for (int c = 0; c < 8; ++c)
                QCOMPARE(header(t, c), c == 0 ? QString::fromUtf8("情景") : prices[c]);
            for (int r = 0; r < 10; ++r) {
                // 0.05 + 2 * 0.05 is 0.15000000000000002: still shown as 15%.
                QCOMPARE(cell(t, r, 0), QString::number(5 * (r + 1)) + QLatin1Char('%'));
                QCOMPARE(colour(t, r, 0), named("yellow"));
                QCOMPARE(int(t->item(r, 0)->textAlignment()), int(Qt::AlignCenter));
                QCOMPARE(int(t->item(r, 4)->textAlignment() & Qt::AlignHorizontal_Mask),
                         int(Qt::AlignRight));
            }
        }
        // Row 3 is 20%, column 4 the spot 100 (a grid node): the structure's own price.
        QCOMPARE(cell(panel.table_tv, 3, 4), QString::number(priceWith(source, 3, 0.2), 'f', 3));
        QCOMPARE(cell(panel.table_tv, 0, 4), QString::number(priceWith(source, 3, 0.05), 'f', 3));
        // Nothing the panel did reached the engine it was handed, nor its own.
        QVERIFY(sameTermsNoGrids(panel.engine, source));
        QVERIFY(sameTermsNoGrids(source, panel.engine));
        QCOMPARE(panel.price_start, 70.0);
        QCOMPARE(panel.vol_step, 0.05);
    }

    void heatMapBandEnds()
    {
        PanelStress panel;
        open(panel);
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        // Ends of each band, found from the shown values: largest above 100
        // maroon, smallest above tomato; largest below palegreen, smallest
        // darkgreen. Values can tie at 3 decimals, so one of the cells showing
        // the extreme text must carry the colour.
        QTableWidget* t = panel.table_tv;
        double upHi = 100, upLo = 1e300, dnHi = -1e300, dnLo = 100;
        for (int r = 0; r < t->rowCount(); ++r) {
            for (int c = 1; c < t->columnCount(); ++c) {
                const double v = cell(t, r, c).toDouble();
                if (v > 100) {
                    upHi = std::max(upHi, v);
                    upLo = std::min(upLo, v);
                } else if (v < 100) {
                    dnHi = std::max(dnHi, v);
                    dnLo = std::min(dnLo, v);
                }
            }
        }
        QVERIFY(upHi > 100 && dnLo < 100);
        auto someCell = [t](double v, const char* name) {
            for (int r = 0; r < t->rowCount(); ++r)
                for (int c = 1; c < t->columnCount(); ++c)
                    if (cell(t, r, c).toDouble() == v && colour(t, r, c) == named(name))
                        return true;
            return false;
        };
        QVERIFY(someCell(upHi, "maroon"));
        QVERIFY(someCell(upLo, "tomato"));
        QVERIFY(someCell(dnHi, "palegreen"));
        QVERIFY(someCell(dnLo, "darkgreen"));
        // Text stays legible on the darkest and the lightest backgrounds.
        for (int r = 0; r < t->rowCount(); ++r)
            for (int c = 1; c < t->columnCount(); ++c) {
                const QString bg = colour(t, r, c);
                if (bg == named("darkgreen") || bg == named("maroon"))
                    QCOMPARE(t->item(r, c)->foreground().color(), QColor(Qt::white));
                if (bg == named("palegreen") || bg == named("tomato") || bg == named("white"))
                    QCOMPARE(t->item(r, c)->foreground().color(), QColor(Qt::black));
            }

        // Delta is centred on 0: positive values red, negative ones green.
        const QStringList reds{named("tomato"), named("orangered"), named("red"), named("crimson"),
                               named("firebrick"), named("brown"), named("darkred"), named("maroon")};
        const QStringList greens{named("palegreen"), named("greenyellow"), named("lawngreen"), named("lime"),
                                 named("limegreen"), named("forestgreen"), named("green"), named("darkgreen")};
        QTableWidget* d = panel.table_delta;
        int positives = 0;
        for (int r = 0; r < d->rowCount(); ++r)
            for (int c = 1; c < d->columnCount(); ++c) {
                const double v = cell(d, r, c).toDouble();
                if (v >= 0.001) {
                    ++positives;
                    QVERIFY2(reds.contains(colour(d, r, c)), qPrintable(cell(d, r, c)));
                } else if (v <= -0.001) {
                    QVERIFY2(greens.contains(colour(d, r, c)), qPrintable(cell(d, r, c)));
                }
            }
        QVERIFY(positives > 0);
    }

    void descendingAndTruncatedGrids()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        open(panel);
        panel.lineEdit_price_start->setText(QStringLiteral("130"));
        panel.lineEdit_price_end->setText(QStringLiteral("70"));
        panel.lineEdit_price_step->setText(QStringLiteral("-10"));
        panel.lineEdit_vol_start->setText(QStringLiteral("0.2"));
        panel.lineEdit_vol_end->setText(QStringLiteral("0.2"));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(panel.table_delta->rowCount(), 1);
        QCOMPARE(panel.table_delta->columnCount(), 8);
        QCOMPARE(header(panel.table_delta, 1), QStringLiteral("130"));
        QCOMPARE(header(panel.table_delta, 7), QStringLiteral("70"));
        QCOMPARE(cell(panel.table_delta, 0, 0), QStringLiteral("20%"));
        const QString at100Descending = cell(panel.table_tv, 0, 4);

        // 0.3 / 0.1 falls just below 3: three prices, not four.
        panel.lineEdit_price_start->setText(QStringLiteral("90"));
        panel.lineEdit_price_end->setText(QStringLiteral("90.3"));
        panel.lineEdit_price_step->setText(QStringLiteral("0.1"));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(panel.table_tv->columnCount(), 4);
        QCOMPARE(header(panel.table_tv, 3), QStringLiteral("90.2"));

        panel.lineEdit_price_start->setText(QStringLiteral("70"));
        panel.lineEdit_price_end->setText(QStringLiteral("130"));
        panel.lineEdit_price_step->setText(QStringLiteral("10"));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(cell(panel.table_tv, 0, 4), at100Descending);
        QVERIFY(prompter.boxes.isEmpty());
    }

    void emptyAndOversizedGridsLeaveTheTables()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        open(panel);
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        const QString before = cell(panel.table_gamma, 2, 2);

        panel.lineEdit_price_step->setText(QStringLiteral("0"));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        panel.lineEdit_price_step->setText(QStringLiteral("abc"));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        panel.lineEdit_price_step->setText(QStringLiteral("10"));
        panel.lineEdit_vol_step->setText(QStringLiteral("-0.05"));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QVERIFY(prompter.boxes.isEmpty());

        panel.lineEdit_vol_step->setText(QStringLiteral("0.0001"));   // 4,501 volatilities
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(prompter.summary(),
                 QStringList{QString::fromUtf8("提示：|网格点数超过1000，请增大步长或缩小区间。")});
        QCOMPARE(prompter.boxes.front().icon, prompt::Icon::Warning);
        QCOMPARE(panel.table_gamma->rowCount(), 10);
        QCOMPARE(panel.table_gamma->columnCount(), 8);
        QCOMPARE(cell(panel.table_gamma, 2, 2), before);
    }

    void pricesOffTheGridShowNan()
    {
        PanelStress panel;
        open(panel);
        panel.lineEdit_price_start->setText(QStringLiteral("190"));
        panel.lineEdit_price_end->setText(QStringLiteral("210"));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(panel.table_tv->columnCount(), 4);
        QCOMPARE(cell(panel.table_tv, 0, 3), QStringLiteral("nan"));
        QCOMPARE(colour(panel.table_tv, 0, 3), named("darkgreen"));
        QVERIFY(cell(panel.table_tv, 0, 2) != QStringLiteral("nan"));
    }

    void exportWritesTheThreeTables()
    {
        QTemporaryDir dir;
        RecordingPrompter prompter;
        PanelStress panel;
        open(panel);
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        prompter.fileAnswers << path;
        QTest::mouseClick(panel.pushButton_data, Qt::LeftButton);

        QCOMPARE(prompter.fileDialogs.size(), 1);
        const auto& d = prompter.fileDialogs.front();
        QCOMPARE(d.caption, QString::fromUtf8("压力测试数据存为:"));
        QCOMPARE(d.filter, QStringLiteral("csv files (*.csv)"));
        QCOMPARE(d.parent, &panel);
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        QCOMPARE(d.dir, QDir::toNativeSeparators(desktop + "/stress_data_"
                                                 + QDate::currentDate().toString("yyyyMMdd")));
        QVERIFY(!QFileInfo(d.dir).fileName().contains(QLatin1Char('\\')));
        QVERIFY(prompter.boxes.isEmpty());

        const QStringList lines = readLines(path);
        // Three blocks of name, header, 10 rows and two empty lines.
        QCOMPARE(lines.size(), 3 * 14 + 1);
        const char* names[] = {"Delta", "Gamma", "TV"};
        QTableWidget* tables[] = {panel.table_delta, panel.table_gamma, panel.table_tv};
        for (int b = 0; b < 3; ++b) {
            const int at = b * 14;
            QCOMPARE(lines[at], QString::fromLatin1(names[b]));
            QCOMPARE(lines[at + 1], QString::fromUtf8("情景,70,80,90,100,110,120,130"));
            for (int r = 0; r < 10; ++r) {
                QStringList row;
                for (int c = 0; c < 8; ++c)
                    row << cell(tables[b], r, c);
                QCOMPARE(lines[at + 2 + r], row.join(QLatin1Char(',')));
            }
            QVERIFY(lines[at + 2].startsWith(QStringLiteral("5%,")));
            QCOMPARE(lines[at + 12], QString());
            QCOMPARE(lines[at + 13], QString());
        }
    }

    void cancelledExportFallsBackToTheWorkingDirectory()
    {
        QTemporaryDir dir;
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        {
            RecordingPrompter prompter;   // no file answer: the dialog is cancelled
            PanelStress panel;
            QTest::mouseClick(panel.pushButton_data, Qt::LeftButton);
            // Before any calculation: the file is created, the tables are empty.
            QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("错误:|试图导出空表。")});
            open(panel);
            QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
            QTest::mouseClick(panel.pushButton_data, Qt::LeftButton);
            QCOMPARE(prompter.fileDialogs.size(), 2);
            QCOMPARE(prompter.boxes.size(), 1);
        }
        QDir::setCurrent(cwd);
        const QStringList lines = readLines(dir.filePath(QStringLiteral("stress_data.csv")));
        QCOMPARE(lines.value(0), QStringLiteral("Delta"));
        QCOMPARE(lines.value(28), QStringLiteral("TV"));
    }

    void panelActionsLeaveTheEngines()
    {
        Snowball_PDE main = classicSnowball();
        main.calculate();   // a main engine with grids of its own
        const double mainPrice = main.Price(101, 1);
        PanelStress panel;
        panel.engine.copy_structure_from(main);
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(main.Price(101, 1), mainPrice);
        QCOMPARE(main.params.sigma, 0.18);
        QVERIFY(sameTermsNoGrids(panel.engine, source));
    }
};

QTEST_MAIN(PanelStressTest)
#include "PanelStressTest.moc"
