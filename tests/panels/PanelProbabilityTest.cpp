// The probability panel as the user sees it: the table, the summary lines and
// the bar chart show what the engine's probability profile computes, in the
// engine's pricing mode; refusals, the CSV export and stale marking. The
// profile's numerics are tested with the engine.
#include "PanelProbability.h"

#include "AccurateProbabilityProfile.h"
#include "EngineChecks.h"
#include "ExportTableWidget.h"
#include "PlotBars.h"
#include "ProbabilityProfile.h"
#include "RecordingPrompter.h"

#include <QAction>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

QString cell(QTableWidget* t, int r, int c)
{
    QTableWidgetItem* item = t->item(r, c);
    return item ? item->text() : QString();
}

QString header(QTableWidget* t, int c)
{
    QTableWidgetItem* item = t->horizontalHeaderItem(c);
    return item ? item->text() : QString();
}

// Formatted here from the definition, not by the panel's helper.
QString pct(double p) { return QString::asprintf("%.2f%%", 100.0 * p); }
QString plusMinusPct(double e) { return QStringLiteral("±") + QString::number(100.0 * e, 'g', 2) + "%"; }

// The last day of each month of 2025, one per monthly observation.
QStringList monthEnds(int count)
{
    QStringList out;
    for (int m = 1; m <= count; ++m) {
        const QDate d(2025, m, 1);
        out << QDate(2025, m, d.daysInMonth()).toString(QStringLiteral("yyyy/MM/dd"));
    }
    return out;
}

}  // namespace

class PanelProbabilityTest : public QObject
{
    Q_OBJECT

    const Snowball_PDE source = classicSnowball(200, 120, 1);

    // Table, chart and summary against the profile the engine gives.
    void checkShows(PanelProbability& panel, const ProbabilityProfile& expected, const QStringList& labels,
                    bool accurate)
    {
        QTableWidget* t = panel.table;
        const int n = static_cast<int>(expected.ko_probability.size());
        QCOMPARE(t->rowCount(), n);
        QCOMPARE(t->columnCount(), accurate ? 5 : 4);
        QCOMPARE(header(t, 1), QStringLiteral("敲出价格"));
        QCOMPARE(header(t, 2), QStringLiteral("敲出概率"));
        QCOMPARE(header(t, 3), QStringLiteral("累计敲出概率"));
        if (accurate)
            QCOMPARE(header(t, 4), QStringLiteral("敲出概率误差"));
        QCOMPARE(panel.plot->barCount(), n);

        double cumulative = 0.0;
        for (int i = 0; i < n; ++i) {
            const double p = expected.ko_probability[size_t(i)];
            cumulative += p;
            QCOMPARE(cell(t, i, 0), labels[i]);
            QCOMPARE(cell(t, i, 1), QStringLiteral("103"));
            QCOMPARE(cell(t, i, 2), pct(p));
            QCOMPARE(cell(t, i, 3), pct(cumulative));
            if (accurate)
                QCOMPARE(cell(t, i, 4), plusMinusPct(expected.ko_error[size_t(i)]));
            QCOMPARE(panel.plot->barValue(i), 100.0 * p);
            QCOMPARE(panel.plot->barLabel(i), labels[i]);
        }
        // Knocked out somewhere or reached maturity: the last cumulative
        // figure is 1 - the maturity probability.
        QVERIFY(std::fabs(cell(t, n - 1, 3).chopped(1).toDouble() - 100.0 * (1.0 - expected.maturity_probability))
                <= 0.005 + 1e-9);

        auto withError = [accurate](const QString& text, const QString& error) {
            return accurate ? text + "（" + error + "）" : text;
        };
        QCOMPARE(panel.label_ki->text(),
                 withError("敲入概率：" + pct(expected.ki_probability), plusMinusPct(expected.ki_error)));
        QCOMPARE(panel.label_loss->text(),
                 withError("亏损概率：" + pct(expected.loss_probability), plusMinusPct(expected.loss_error)));
        QCOMPARE(panel.label_maturity->text(), withError("到期概率（未敲出）：" + pct(expected.maturity_probability),
                                                         plusMinusPct(expected.maturity_error)));
        const double life = expected.expected_life;
        QCOMPARE(panel.label_life->text(),
                 withError(QString::asprintf("预期存续期：%.2f年（%.1f个月）", life, 12.0 * life),
                           QStringLiteral("±") + QString::number(expected.life_error, 'g', 2) + "年"));
        QVERIFY(!panel.isStale());
        QVERIFY(panel.label_status->text().isEmpty());
    }

    // No figure on show: empty table and chart, "-" in every summary line.
    void checkEmpty(PanelProbability& panel)
    {
        QCOMPARE(panel.table->rowCount(), 0);
        QCOMPARE(panel.plot->barCount(), 0);
        QCOMPARE((QStringList{panel.label_ki->text(), panel.label_loss->text(), panel.label_maturity->text(),
                              panel.label_life->text()}),
                 QStringList({"敲入概率：-", "亏损概率：-", "到期概率（未敲出）：-", "预期存续期：-"}));
    }

private slots:
    void percentTexts_data()
    {
        QTest::addColumn<double>("p");
        QTest::addColumn<QString>("text");
        QTest::newRow("issue example") << 0.37 << "37.00%";
        QTest::newRow("rounds half up") << 0.123456 << "12.35%";
        QTest::newRow("zero") << 0.0 << "0.00%";
        QTest::newRow("one") << 1.0 << "100.00%";
        QTest::newRow("rounding below zero") << -1e-12 << "0.00%";
        QTest::newRow("no number") << std::nan("") << "-";
    }
    void percentTexts()
    {
        QFETCH(double, p);
        QFETCH(QString, text);
        QCOMPARE(PanelProbability::percentText(p), text);
    }

    void refusalBeforePricing()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        panel.setStructure(Snowball_PDE(), QStringList());
        QVERIFY(!panel.calculate());
        QCOMPARE(prompter.summary(), QStringList{QStringLiteral("错误:|结构信息未初始化，请先点击【定价】")});
        QCOMPARE(prompter.boxes.front().icon, prompt::Icon::Critical);
        QCOMPARE(prompter.boxes.front().parent, &panel);
        checkEmpty(panel);
    }

    // The default structure: twelve monthly observations with their dates.
    void designModeShowsTheProfile()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        const QStringList dates = monthEnds(12);
        panel.setStructure(source, dates);
        QVERIFY(panel.calculate());
        QVERIFY(prompter.boxes.isEmpty());

        const ProbabilityProfile expected = probability_profile(source.contract, source.params);
        QVERIFY(expected.ok());
        QCOMPARE(header(panel.table, 0), QStringLiteral("观察日"));
        checkShows(panel, expected, dates, false);
        QVERIFY(panel.label_mode->text().contains(QStringLiteral("设计网格（M=200，N=120）")));
        // The structure handed in is left as it was: no grids computed on it.
        QVERIFY(sameTermsNoGrids(panel.engine, source));
    }

    // Without one date per observation the times in years stand in.
    void observationTimesWithoutDates_data()
    {
        QTest::addColumn<QStringList>("dates");
        QTest::newRow("none") << QStringList();
        QTest::newRow("one date short") << monthEnds(11);
    }
    void observationTimesWithoutDates()
    {
        QFETCH(QStringList, dates);
        RecordingPrompter prompter;
        PanelProbability panel;
        panel.setStructure(source, dates);
        QVERIFY(panel.calculate());
        QCOMPARE(header(panel.table, 0), QStringLiteral("观察时间(年)"));
        QStringList times;
        for (double t : source.contract.obs_times)
            times << QString::asprintf("%.4f", t);
        QCOMPARE(times.front(), QStringLiteral("0.0833"));
        checkShows(panel, probability_profile(source.contract, source.params), times, false);
    }

    // Accurate mode: the accurate profile with its error estimates.
    void accurateModeShowsErrors()
    {
        RecordingPrompter prompter;
        Snowball_PDE accurate = source;
        accurate.method = PricingMethod::Accurate;
        accurate.year_days = 252;
        PanelProbability panel;
        const QStringList dates = monthEnds(12);
        panel.setStructure(accurate, dates);
        QVERIFY(panel.calculate());
        QVERIFY(prompter.boxes.isEmpty());

        const ProbabilityProfile expected =
            probability_profile_accurate(accurate.contract, accurate.params, 252, false);
        QVERIFY(expected.ok());
        QCOMPARE(expected.ko_error.size(), size_t(12));
        checkShows(panel, expected, dates, true);
        QVERIFY(panel.label_mode->text().contains(QStringLiteral("高精度（每年252个交易日")));
        // Not the design grid's figures.
        const ProbabilityProfile design = probability_profile(source.contract, source.params);
        QVERIFY(cell(panel.table, 0, 2) != pct(design.ko_probability[0])
                || cell(panel.table, 11, 2) != pct(design.ko_probability[11]));
    }

    // A structure the profile refuses: a message, and no figures left from before.
    void refusedStructureClearsTheResults()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        panel.setStructure(source, monthEnds(12));
        QVERIFY(panel.calculate());
        Snowball_PDE bad = source;
        bad.set_param(Param::Sigma, -0.2);
        panel.setStructure(bad, monthEnds(12));
        QVERIFY(!panel.calculate());
        QCOMPARE(prompter.summary(), QStringList{QStringLiteral("错误：|无法计算概率分布（原因见日志）")});
        checkEmpty(panel);
    }

    // The right-click "导出为..." writes the table as shown.
    void exportsTheTableToCsv()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        const QStringList dates = monthEnds(12);
        panel.setStructure(source, dates);
        QVERIFY(panel.calculate());

        QTemporaryDir dir;
        const QString path = dir.filePath("probability.csv");
        prompter.fileAnswers << path;
        QAction* exportTo = nullptr;
        for (QAction* a : panel.table->actions())
            if (a->text() == QStringLiteral("导出为..."))
                exportTo = a;
        QVERIFY(exportTo);
        exportTo->trigger();
        QVERIFY(prompter.boxes.isEmpty());

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[0], QStringLiteral("观察日,敲出价格,敲出概率,累计敲出概率"));
        const ProbabilityProfile expected = probability_profile(source.contract, source.params);
        double cumulative = 0.0;
        for (int i = 0; i < 12; ++i) {
            cumulative += expected.ko_probability[size_t(i)];
            QCOMPARE(lines[i + 1],
                     QStringList({dates[i], "103", pct(expected.ko_probability[size_t(i)]), pct(cumulative)})
                         .join(','));
        }
    }

    // Stale marking greys the figures until the next calculation.
    void staleUntilRecalculated()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        panel.markStale("x");  // nothing shown: nothing to mark
        QVERIFY(!panel.isStale());
        panel.setStructure(source, monthEnds(12));
        QVERIFY(panel.calculate());
        panel.markStale(QStringLiteral("条款已修改"));
        QVERIFY(panel.isStale());
        QCOMPARE(panel.label_status->text(), QStringLiteral("条款已修改"));
        QVERIFY(panel.label_ki->styleSheet().contains("grey"));
        QVERIFY(panel.calculate());
        QVERIFY(!panel.isStale());
        QVERIFY(panel.label_ki->styleSheet().isEmpty());
    }
};

QTEST_MAIN(PanelProbabilityTest)
#include "PanelProbabilityTest.moc"
