// The S-σ stress panel as the user sees it: its inputs, the three coloured
// tables, the export and its refusals. The grid numerics themselves are
// tested with the engine; here only that the panel shows them.
#include "PanelStress.h"

#include "ChildWidget.h"
#include "ClassicSnowball.h"
#include "ExportTableWidget.h"
#include "RecordingPrompter.h"
#include "WidgetTexts.h"
#include "MarketModel.h"
#include "Pricer.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QMultiMap>
#include <QtTest>

#include <cmath>

namespace {

QString colour(QTableWidget* t, int r, int c) { return t->item(r, c)->background().color().name(); }
QString named(const char* svg) { return QColor(QString::fromLatin1(svg)).name(); }
QStringList headers(QTableWidget* t)
{
    QStringList out;
    for (int c = 0; c < t->columnCount(); ++c)
        out << (t->horizontalHeaderItem(c) ? t->horizontalHeaderItem(c)->text() : QString());
    return out;
}

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

    static QTableWidget* table(PanelStress& panel, const char* name) { return child<QTableWidget>(&panel, name); }
    static QPushButton* button(PanelStress& panel, const char* name) { return child<QPushButton>(&panel, name); }
    void calculate(PanelStress& panel)
    {
        panel.setRequest(source.request(), true);
        QTest::mouseClick(button(panel, "pushButton_calc"), Qt::LeftButton);
    }
    // Sets price start/end/step, volatility start/end/step and days; "" keeps a field.
    void setInputs(PanelStress& panel, const QStringList& texts)
    {
        const char* names[] = {"lineEdit_price_start", "lineEdit_price_end", "lineEdit_price_step",
                               "lineEdit_vol_start",   "lineEdit_vol_end",   "lineEdit_vol_step", "lineEdit_days"};
        for (int i = 0; i < texts.size(); ++i)
            if (!texts[i].isEmpty())
                child<QLineEdit>(&panel, names[i])->setText(texts[i]);
    }

private slots:
    // No calculation before the main window has priced; then the default
    // grid: ten volatilities by seven prices.
    void defaultCalculation()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        QTest::mouseClick(button(panel, "pushButton_calc"), Qt::LeftButton);
        QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("错误:|结构信息未初始化，请先点击【定价】")});
        QCOMPARE(prompter.boxes.front().parent, &panel);
        prompter.clear();

        setInputs(panel, {"", "", "", "", "", "", "252"});  // tau = T: today's column
        calculate(panel);
        QVERIFY(prompter.boxes.isEmpty());
        for (const char* name : {"table_tv", "table_delta", "table_gamma"}) {
            QTableWidget* t = table(panel, name);
            QCOMPARE(t->rowCount(), 10);
            QCOMPARE(headers(t), QStringList({"情景", "70", "80", "90", "100", "110", "120", "130"}));
            for (int r = 0; r < 10; ++r) {
                // 0.05 + 2 * 0.05 is 0.15000000000000002: still shown as 15%.
                QCOMPARE(cell(t, r, 0), QString::number(5 * (r + 1)) + QLatin1Char('%'));
                QCOMPARE(colour(t, r, 0), named("yellow"));
            }
        }
        // Spot 100 is a grid node: the structure's own price at 20%.
        QCOMPARE(cell(table(panel, "table_tv"), 3, 4), QString::number(priceWith(source, Param::Sigma, 0.2), 'f', 3));
    }

    // With a market the volatility axis shifts its volatility input: the
    // label says so, the untouched defaults become shifts around 0 (typed
    // values stay), the rows carry their sign, and without a market again
    // the levels come back.
    void marketAxisIsAShift()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        PricingRequest r = source.request();
        r.method = PricingMethod::Accurate;
        r.market = std::make_shared<const MarketModel>(*MarketModel::flat(r.model).value);
        setInputs(panel, {"90", "110", "10", "", "", "", "252"});
        panel.setRequest(r, true);
        auto text = [&](const char* name) { return child<QLineEdit>(&panel, name)->text(); };
        QCOMPARE(child<QLabel>(&panel, "label_vol_start")->text(), QString::fromUtf8("波动率平移开始:"));
        QCOMPARE(QStringList({text("lineEdit_vol_start"), text("lineEdit_vol_end"), text("lineEdit_vol_step")}),
                 QStringList({"-0.05", "0.05", "0.01"}));
        QTest::mouseClick(button(panel, "pushButton_calc"), Qt::LeftButton);
        QVERIFY2(prompter.boxes.isEmpty(), qPrintable(prompter.summary().join('\n')));
        QTableWidget* tv = table(panel, "table_tv");
        QCOMPARE(tv->rowCount(), 11);
        QCOMPARE(QStringList({cell(tv, 0, 0), cell(tv, 5, 0), cell(tv, 10, 0)}), QStringList({"-5%", "0%", "+5%"}));
        // Shift 0 at the spot: the flat market's own price.
        QCOMPARE(cell(tv, 5, 2), QString::number(price(r).value, 'f', 3));

        child<QLineEdit>(&panel, "lineEdit_vol_step")->setText("0.02");  // typed: kept
        panel.setRequest(source.request(), true);
        QCOMPARE(child<QLabel>(&panel, "label_vol_start")->text(), QString::fromUtf8("波动率开始:"));
        QCOMPARE(text("lineEdit_vol_start"), QString("-0.05"));
        QCOMPARE(text("lineEdit_vol_step"), QString("0.02"));
    }

    // Terms changed in the main window: neither computed nor exported
    // (button or table menu) until the panel has current terms and computes.
    void staleTermsNeitherComputedNorExported()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        calculate(panel);
        const QString shown = cell(table(panel, "table_tv"), 2, 2);
        panel.markStale();
        QTest::mouseClick(button(panel, "pushButton_calc"), Qt::LeftButton);
        QTest::mouseClick(button(panel, "pushButton_data"), Qt::LeftButton);
        for (QAction* a : table(panel, "table_delta")->actions())
            a->trigger();
        const QString results = "错误:|条款已修改：此结果不再对应当前条款，请重新点击【定价】和【计算】";
        QCOMPARE(prompter.summary(), QStringList({"错误:|条款已修改，结构信息不再对应当前条款，请先点击【定价】",
                                                  results, results, results}));
        QVERIFY(prompter.fileDialogs.isEmpty() && prompter.textDialogs.isEmpty());
        QCOMPARE(child<QLabel>(&panel, "label_status")->text(), results.section('|', 1));

        // Current terms again: computes, and the results export.
        prompter.clear();
        setInputs(panel, {"", "", "", "0.1"});
        calculate(panel);
        QVERIFY(cell(table(panel, "table_tv"), 2, 2) != shown);
        prompter.fileAnswers << QString();
        QTest::mouseClick(button(panel, "pushButton_data"), Qt::LeftButton);
        QCOMPARE(prompter.fileDialogs.size(), 1);
        QVERIFY(prompter.boxes.isEmpty());
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
        const QMultiMap<double, QString> tv = colours(table(panel, "table_tv")), delta = colours(table(panel, "table_delta"));
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
        QCOMPARE(table(panel, "table_delta")->rowCount(), 1);
        QCOMPARE(headers(table(panel, "table_delta")), QStringList({"情景", "130", "120", "110", "100", "90", "80", "70"}));
        QCOMPARE(cell(table(panel, "table_delta"), 0, 0), QStringLiteral("20%"));
        QCOMPARE(cell(table(panel, "table_tv"), 0, 4), QString::number(priceWith(source, Param::Sigma, 0.2), 'f', 3));

        setInputs(panel, {"90", "90.3", "0.1"});  // 0.3 / 0.1 falls just below 3: three prices
        calculate(panel);
        QCOMPARE(headers(table(panel, "table_tv")), QStringList({"情景", "90", "90.1", "90.2"}));
        QVERIFY(prompter.boxes.isEmpty());
    }

    // Values that round to zero show no sign; values that are no number show "-".
    void cellTexts()
    {
        QTableWidget table(1, 6);
        PanelStress::fillStressValues(&table, {{-0.0004, -0.0006, 0.0004, -1.25, std::nan("")}}, 0.0);
        QCOMPARE((QStringList{cell(&table, 0, 1), cell(&table, 0, 2), cell(&table, 0, 3), cell(&table, 0, 4),
                              cell(&table, 0, 5)}),
                 QStringList({"0.000", "-0.001", "0.000", "-1.250", "-"}));
    }

    // Empty grids are ignored silently, oversized ones refused: the tables stay.
    void emptyAndOversizedGridsLeaveTheTables()
    {
        RecordingPrompter prompter;
        PanelStress panel;
        calculate(panel);
        const QString before = cell(table(panel, "table_gamma"), 2, 2);
        for (const QStringList& inputs : {QStringList{"", "", "0"}, QStringList{"", "", "10", "", "", "-0.05"}}) {
            setInputs(panel, inputs);
            calculate(panel);
        }
        QVERIFY(prompter.boxes.isEmpty());
        // A text that is no number is refused by name rather than read as 0.
        setInputs(panel, {"", "", "abc", "", "", "0.05"});
        calculate(panel);
        QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("错误：|“步长:”不是有效的数字：abc")});
        QCOMPARE(cell(table(panel, "table_gamma"), 2, 2), before);
        prompter.clear();
        setInputs(panel, {"", "", "10"});
        setInputs(panel, {"", "", "", "", "", "0.0001"});  // 4,501 volatilities
        calculate(panel);
        QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("提示：|网格点数超过1000，请增大步长或缩小区间。")});
        QCOMPARE(prompter.boxes.front().icon, prompt::Icon::Warning);
        QCOMPARE(table(panel, "table_gamma")->rowCount() * table(panel, "table_gamma")->columnCount(), 10 * 8);
        QCOMPARE(cell(table(panel, "table_gamma"), 2, 2), before);
    }

    // A grid beyond half the machine's memory is refused before it starts.
    void oversizedGridRefused()
    {
        RecordingPrompter prompter;
        PricingRequest big = source.request();
        big.model.M = 200000000;
        PanelStress panel;
        panel.setRequest(big, true);
        QTest::mouseClick(button(panel, "pushButton_calc"), Qt::LeftButton);
        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes[0].title, QString("错误："));
        // Twenty doubles a node kept (160 bytes x 121 columns) and ten working vectors a price node.
        const QString gb = QString::number((160.0 * 121 + 80.0) * 200000001.0 / (1 << 30), 'f', 1);
        QVERIFY2(prompter.boxes[0].text.startsWith("200000000 x 120 的网格约需内存 " + gb + " GB，超过本机内存的一半"),
                 qPrintable(prompter.boxes[0].text));
        QCOMPARE(table(panel, "table_tv")->rowCount(), 0);
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
            QTest::mouseClick(button(panel, "pushButton_data"), Qt::LeftButton);
            QCOMPARE(prompter.summary(), QStringList{QString::fromUtf8("错误:|试图导出空表。")});
            calculate(panel);
            expected = block("Delta", table(panel, "table_delta")) + block("Gamma", table(panel, "table_gamma"))
                       + block("TV", table(panel, "table_tv"));
            QVERIFY(expected.startsWith(QByteArray("Delta\n") + QString::fromUtf8("情景,70,80,90,100,110,120,130\n5%,").toUtf8()));
            prompter.fileAnswers << dir.filePath(QStringLiteral("out.csv"));
            QTest::mouseClick(button(panel, "pushButton_data"), Qt::LeftButton);
            QTest::mouseClick(button(panel, "pushButton_data"), Qt::LeftButton);  // no answer: cancelled
            QCOMPARE(prompter.fileDialogs.size(), 3);
            const auto& d = prompter.fileDialogs[1];
            const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
            QCOMPARE(d.dir, QDir::toNativeSeparators(desktop + "/stress_data_" + QDate::currentDate().toString("yyyyMMdd")));
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
