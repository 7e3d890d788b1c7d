// The S-σ stress panel as the user sees it: its inputs, the three coloured
// tables, the export and its refusals. The grid numerics themselves are
// tested with the engine; here only that the panel shows them.
#include "PanelStress.h"

#include "EngineChecks.h"
#include "ExportTableWidget.h"
#include "RecordingPrompter.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QMultiMap>
#include <QtTest>

#include <cmath>

namespace {

QString cell(QTableWidget* t, int r, int c)
{
    QTableWidgetItem* item = t->item(r, c);
    return item ? item->text() : QString();
}

QString colour(QTableWidget* t, int r, int c) { return t->item(r, c)->background().color().name(); }
QString named(const char* svg) { return QColor(QString::fromLatin1(svg)).name(); }

// What the export must write for one table: name, header, rows, two empty lines.
QByteArray block(const char* name, QTableWidget* t)
{
    QByteArray out = QByteArray(name) + '\n';
    for (int r = -1; r < t->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < t->columnCount(); ++c)
            row << (r < 0 ? t->horizontalHeaderItem(c)->text() : cell(t, r, c));
        out += row.join(QLatin1Char(',')).toUtf8() + '\n';
    }
    return out + "\n\n";
}

}  // namespace

class PanelStressTest : public QObject
{
    Q_OBJECT

    const Snowball_PDE source = classicSnowball(200, 120, 1);

    void calculate(PanelStress& panel)
    {
        panel.engine.copy_structure_from(source);
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
    }
    QList<QLineEdit*> edits(PanelStress& panel)
    {
        return {panel.lineEdit_price_start, panel.lineEdit_price_end, panel.lineEdit_price_step,
                panel.lineEdit_vol_start,   panel.lineEdit_vol_end,   panel.lineEdit_vol_step, panel.lineEdit_days};
    }
    // Sets price start/end/step, volatility start/end/step and days; "" keeps a field.
    void setInputs(PanelStress& panel, const QStringList& texts)
    {
        for (int i = 0; i < texts.size(); ++i)
            if (!texts[i].isEmpty())
                edits(panel)[i]->setText(texts[i]);
    }

private slots:
    // The default inputs, and no calculation before the main window has priced.
    void opensWithDefaultsAndRefusesBeforePricing()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        QStringList inputs;
        for (QLineEdit* e : edits(panel))
            inputs << e->text();
        QCOMPARE(inputs, QStringList({"70", "130", "10", "0.05", "0.5", "0.05", "100"}));
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("错误:|结构信息未初始化，请先点击【定价】")});
        QCOMPARE(prompter.boxes.front().icon, prompt::Icon::Critical);
        QCOMPARE(prompter.boxes.front().parent, &panel);
        QCOMPARE(panel.table_tv->rowCount(), 0);
    }

    void defaultCalculation()
    {
        RecordingPrompter prompter;
        Snowball_PDE main = classicSnowball(200, 120, 1);
        main.calculate();  // the main window's engine, with grids of its own
        const double mainPrice = main.Price(101, 1);
        PanelStress panel;
        panel.lineEdit_days->setText(QStringLiteral("252"));  // tau = T: today's column
        panel.engine.copy_structure_from(main);
        QTest::mouseClick(panel.pushButton_calc, Qt::LeftButton);
        QVERIFY(prompter.boxes.isEmpty());
        const QStringList headers{"情景", "70", "80", "90", "100", "110", "120", "130"};
        for (QTableWidget* t : {panel.table_tv, panel.table_delta, panel.table_gamma}) {
            QCOMPARE(t->rowCount(), 10);
            QCOMPARE(t->columnCount(), 8);
            for (int c = 0; c < 8; ++c)
                QCOMPARE(t->horizontalHeaderItem(c)->text(), headers[c]);
            for (int r = 0; r < 10; ++r) {
                // 0.05 + 2 * 0.05 is 0.15000000000000002: still shown as 15%.
                QCOMPARE(cell(t, r, 0), QString::number(5 * (r + 1)) + QLatin1Char('%'));
                QCOMPARE(colour(t, r, 0), named("yellow"));
                QCOMPARE(int(t->item(r, 0)->textAlignment()), int(Qt::AlignCenter));
                QCOMPARE(int(t->item(r, 4)->textAlignment()), int(Qt::AlignRight | Qt::AlignVCenter));
            }
        }
        // Spot 100 is a grid node: the structure's own price at 20%.
        QCOMPARE(cell(panel.table_tv, 3, 4), QString::number(priceWith(source, Param::Sigma, 0.2), 'f', 3));
        // Neither the main engine nor the panel's own was changed by the panel.
        QCOMPARE(main.Price(101, 1), mainPrice);
        QCOMPARE(main.params.sigma, 0.18);
        QVERIFY(sameTermsNoGrids(panel.engine, source));
    }

    // TV is centred on 100, Delta on 0. Shown values can tie at 3 decimals, so
    // one of the cells showing an extreme must carry its colour.
    void heatMapBandEnds()
    {
        PanelStress panel;
        calculate(panel);
        bool legible = true;
        auto colours = [&legible](QTableWidget* t) {
            QMultiMap<double, QString> out;  // shown value -> background
            for (int r = 0; r < t->rowCount(); ++r)
                for (int c = 1; c < t->columnCount(); ++c) {
                    out.insert(cell(t, r, c).toDouble(), colour(t, r, c));
                    // Text stays legible on the darkest and the lightest backgrounds.
                    const QString bg = colour(t, r, c);
                    if (bg == named("darkgreen") || bg == named("maroon") || bg == named("white"))
                        legible &= t->item(r, c)->foreground().color() == QColor(bg == named("white") ? Qt::black : Qt::white);
                }
            return out;
        };
        const QMultiMap<double, QString> tv = colours(panel.table_tv), delta = colours(panel.table_delta);
        QVERIFY(tv.firstKey() < 100 && tv.lastKey() > 100 && delta.lastKey() > 0);
        QVERIFY(tv.values(tv.lastKey()).contains(named("maroon")));
        QVERIFY(tv.values(tv.upperBound(100).key()).contains(named("tomato")));
        QVERIFY(tv.values(std::prev(tv.lowerBound(100)).key()).contains(named("palegreen")));
        QVERIFY(tv.values(tv.firstKey()).contains(named("darkgreen")));
        QVERIFY(delta.values(delta.lastKey()).contains(named("maroon")));
        QVERIFY(legible);
    }

    void descendingAndTruncatedGrids()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        setInputs(panel, {"130", "70", "-10", "0.2", "0.2", "", "252"});
        calculate(panel);
        QCOMPARE(panel.table_delta->rowCount(), 1);
        QCOMPARE(panel.table_delta->columnCount(), 8);
        QCOMPARE(panel.table_delta->horizontalHeaderItem(1)->text(), QStringLiteral("130"));
        QCOMPARE(panel.table_delta->horizontalHeaderItem(7)->text(), QStringLiteral("70"));
        QCOMPARE(cell(panel.table_delta, 0, 0), QStringLiteral("20%"));
        QCOMPARE(cell(panel.table_tv, 0, 4), QString::number(priceWith(source, Param::Sigma, 0.2), 'f', 3));

        setInputs(panel, {"90", "90.3", "0.1"});  // 0.3 / 0.1 falls just below 3: three prices
        calculate(panel);
        QCOMPARE(panel.table_tv->columnCount(), 4);
        QCOMPARE(panel.table_tv->horizontalHeaderItem(3)->text(), QStringLiteral("90.2"));
        QVERIFY(prompter.boxes.isEmpty());
    }

    // Values that round to zero show no sign; values that are no number show "-".
    void cellTexts()
    {
        QTableWidget table(1, 6);
        PanelStress::fillStressValues(&table, {{-0.0004, -0.0006, 0.0004, -1.25, std::nan("")}}, 0.0);
        QCOMPARE(cell(&table, 0, 1), QString("0.000"));
        QCOMPARE(cell(&table, 0, 2), QString("-0.001"));  // rounds away from zero
        QCOMPARE(cell(&table, 0, 3), QString("0.000"));
        QCOMPARE(cell(&table, 0, 4), QString("-1.250"));
        QCOMPARE(cell(&table, 0, 5), QString("-"));
    }

    // Empty grids are ignored silently, oversized ones refused: the tables stay.
    void emptyAndOversizedGridsLeaveTheTables()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        calculate(panel);
        const QString before = cell(panel.table_gamma, 2, 2);
        for (const QStringList& inputs : {QStringList{"", "", "0"}, QStringList{"", "", "10", "", "", "-0.05"}}) {
            setInputs(panel, inputs);
            calculate(panel);
        }
        QVERIFY(prompter.boxes.isEmpty());
        // A text that is no number is refused by name rather than read as 0.
        setInputs(panel, {"", "", "abc", "", "", "0.05"});
        calculate(panel);
        QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("错误：|“步长:”不是有效的数字：abc")});
        QCOMPARE(cell(panel.table_gamma, 2, 2), before);
        prompter.clear();
        setInputs(panel, {"", "", "10"});
        setInputs(panel, {"", "", "", "", "", "0.0001"});  // 4,501 volatilities
        calculate(panel);
        QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("提示：|网格点数超过1000，请增大步长或缩小区间。")});
        QCOMPARE(prompter.boxes.front().icon, prompt::Icon::Warning);
        QCOMPARE(panel.table_gamma->rowCount(), 10);
        QCOMPARE(panel.table_gamma->columnCount(), 8);
        QCOMPARE(cell(panel.table_gamma, 2, 2), before);
    }

    // Nothing calculated: refused; a chosen file: the three tables; the
    // dialog cancelled: nothing written.
    void exportWritesTheThreeTables()
    {
        QTemporaryDir dir;
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QByteArray expected;
        {
            RecordingPrompter prompter;
            PanelStress panel;
            prompter.fileAnswers << dir.filePath(QStringLiteral("empty.csv"));
            QTest::mouseClick(panel.pushButton_data, Qt::LeftButton);
            QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("错误:|试图导出空表。")});
            calculate(panel);
            expected = block("Delta", panel.table_delta) + block("Gamma", panel.table_gamma)
                       + block("TV", panel.table_tv);
            QVERIFY(expected.startsWith(QByteArray("Delta\n") + QString::fromUtf8("情景,70,80,90,100,110,120,130\n5%,").toUtf8()));
            prompter.fileAnswers << dir.filePath(QStringLiteral("out.csv"));
            QTest::mouseClick(panel.pushButton_data, Qt::LeftButton);
            QTest::mouseClick(panel.pushButton_data, Qt::LeftButton);  // no answer: cancelled
            QCOMPARE(prompter.fileDialogs.size(), 3);
            const auto& d = prompter.fileDialogs[1];
            const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
            QCOMPARE((QStringList{d.caption, d.dir, d.filter}),
                     QStringList({"压力测试数据存为:",
                                  QDir::toNativeSeparators(desktop + "/stress_data_" + QDate::currentDate().toString("yyyyMMdd")),
                                  "csv files (*.csv)"}));
            QCOMPARE(d.parent, &panel);
            QCOMPARE(prompter.boxes.size(), 1);
        }
        QDir::setCurrent(cwd);
        QFile f(dir.filePath(QStringLiteral("out.csv")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), expected);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("stress_data.csv"))));
    }
};

QTEST_MAIN(PanelStressTest)
#include "PanelStressTest.moc"
