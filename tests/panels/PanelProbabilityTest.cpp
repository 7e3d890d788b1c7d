// The probability panel as the user sees it: the table, the summary lines and
// the bar chart show what the engine's probability profile computes, in the
// engine's pricing mode; refusals, the CSV export and stale marking. The
// profile's numerics are tested with the engine.
#include "PanelProbability.h"

#include "AccurateProbabilityProfile.h"
#include "ChildWidget.h"
#include "ClassicSnowball.h"
#include "PlotBars.h"
#include "ProbabilityProfile.h"
#include "RecordingPrompter.h"
#include "WidgetTexts.h"

#include <QAction>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>

namespace {

QTableWidget* table(const PanelProbability& panel) { return child<QTableWidget>(&panel, "table"); }
PlotBars* plot(const PanelProbability& panel) { return child<PlotBars>(&panel, "plot"); }
QString label(const PanelProbability& panel, const char* name) { return child<QLabel>(&panel, name)->text(); }
// The four summary lines.
QStringList summaryLines(const PanelProbability& panel)
{
    return {label(panel, "label_ki"), label(panel, "label_loss"), label(panel, "label_maturity"),
            label(panel, "label_life")};
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
        QTableWidget* t = table(panel);
        const int n = static_cast<int>(expected.ko_probability.size());
        QCOMPARE(t->rowCount(), n);
        QCOMPARE(t->columnCount(), accurate ? 5 : 4);
        if (accurate)  // the other titles: the export's header line
            QCOMPARE(header(t, 4), QStringLiteral("敲出概率误差"));
        QCOMPARE(plot(panel)->barCount(), n);

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
            QCOMPARE(plot(panel)->barValue(i), 100.0 * p);
            QCOMPARE(plot(panel)->barLabel(i), labels[i]);
        }
        // Knocked out somewhere or reached maturity: the last cumulative
        // figure is 1 - the maturity probability.
        QVERIFY(std::fabs(cell(t, n - 1, 3).chopped(1).toDouble() - 100.0 * (1.0 - expected.maturity_probability))
                <= 0.005 + 1e-9);

        auto withError = [accurate](const QString& text, const QString& error) {
            return accurate ? text + "（" + error + "）" : text;
        };
        const double life = expected.expected_life;
        QCOMPARE(summaryLines(panel),
                 QStringList({withError("敲入概率：" + pct(expected.ki_probability), plusMinusPct(expected.ki_error)),
                              withError("亏损概率：" + pct(expected.loss_probability), plusMinusPct(expected.loss_error)),
                              withError("到期概率（未敲出）：" + pct(expected.maturity_probability),
                                        plusMinusPct(expected.maturity_error)),
                              withError(QString::asprintf("预期存续期：%.2f年（%.1f个月）", life, 12.0 * life),
                                        QStringLiteral("±") + QString::number(expected.life_error, 'g', 2) + "年")}));
        QVERIFY(!panel.isStale());
        QVERIFY(label(panel, "label_status").isEmpty());
    }

    // No figure on show: empty table and chart, "-" in every summary line.
    void checkEmpty(PanelProbability& panel)
    {
        QCOMPARE(table(panel)->rowCount(), 0);
        QCOMPARE(plot(panel)->barCount(), 0);
        QCOMPARE(summaryLines(panel), QStringList({"敲入概率：-", "亏损概率：-", "到期概率（未敲出）：-", "预期存续期：-"}));
    }

private slots:
    void percentTexts_data()
    {
        QTest::addColumn<double>("p");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounding below zero") << -1e-12 << "0.00%";
        QTest::newRow("no number") << std::nan("") << "-";
    }
    void percentTexts()
    {
        QFETCH(double, p);
        QFETCH(QString, text);
        QCOMPARE(PanelProbability::percentText(p), text);
    }

    // Twelve monthly observations, labelled by their dates, or by their
    // times in years without one date per observation; 高精度 shows the
    // accurate profile with its error estimates.
    void showsTheProfile_data()
    {
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<bool>("accurate");
        QTest::newRow("design grid") << monthEnds(12) << false;
        QTest::newRow("no dates") << QStringList() << false;
        QTest::newRow("one date short") << monthEnds(11) << false;
        QTest::newRow("高精度") << monthEnds(12) << true;
    }
    void showsTheProfile()
    {
        QFETCH(QStringList, dates);
        QFETCH(bool, accurate);
        RecordingPrompter prompter;
        PricingRequest r = source.request();
        if (accurate) {
            r.method = PricingMethod::Accurate;
            r.year_days = 252;
        }
        PanelProbability panel;
        panel.setRequest(r, dates);
        QVERIFY(panel.calculate());
        QVERIFY(prompter.boxes.isEmpty());
        QStringList labels = dates;
        if (dates.size() != 12) {
            labels.clear();
            for (double t : source.contract.obs_times)
                labels << QString::asprintf("%.4f", t);
        }
        QCOMPARE(header(table(panel), 0), QString(dates.size() == 12 ? "观察日" : "观察时间(年)"));
        const ProbabilityProfile expected = accurate ? probability_profile_accurate(r.contract, r.model, 252, false)
                                                     : probability_profile(source.contract, source.params);
        QVERIFY(expected.ok());
        checkShows(panel, expected, labels, accurate);
        QVERIFY(label(panel, "label_mode").contains(accurate ? "高精度（每年252个交易日" : "设计网格（M=200，N=120）"));
        // The design grid's figures say so, and where the contract's are.
        const QString note = label(panel, "label_note");
        QVERIFY2(accurate ? note.isEmpty() : note.contains("设计网格") && note.contains("高精度"), qPrintable(note));
    }

    // Nothing priced, or a structure the profile refuses: a message, and no
    // figures left from before.
    void refusedStructureClearsTheResults()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        QVERIFY(!panel.calculate());
        QCOMPARE(prompter.summary(), QStringList{QStringLiteral("错误:|结构信息未初始化，请先点击【定价】")});
        QCOMPARE(prompter.boxes.front().parent, &panel);
        checkEmpty(panel);
        prompter.clear();
        panel.setRequest(source.request(), monthEnds(12));
        QVERIFY(panel.calculate());
        PricingRequest bad = source.request();
        bad.model.sigma = -0.2;
        panel.setRequest(bad, monthEnds(12));
        QVERIFY(!panel.calculate());
        QCOMPARE(prompter.summary(), QStringList{QStringLiteral("错误：|无法计算概率分布（原因见日志）")});
        checkEmpty(panel);
    }

    // The right-click "导出为..." writes the table as shown, while it holds.
    void exportsTheTableToCsv()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        const QStringList dates = monthEnds(12);
        panel.setRequest(source.request(), dates);
        QVERIFY(panel.calculate());

        QTemporaryDir dir;
        const QString path = dir.filePath("probability.csv");
        prompter.fileAnswers << path;
        trigger(table(panel), "导出为...");  // the table's right-click menu
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

    // Terms changed in the main window: the figures are greyed and not
    // exported until calculated again.
    void staleUntilRecalculated()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        panel.markStale();  // nothing shown: nothing to mark
        QVERIFY(!panel.isStale());
        panel.setRequest(source.request(), monthEnds(12));
        QVERIFY(panel.calculate());
        panel.markStale();
        QVERIFY(panel.isStale());
        const QString why = "条款已修改：此结果不再对应当前条款，请重新点击【定价】和【概率分析】";
        QCOMPARE(label(panel, "label_status"), why);
        QVERIFY(child<QLabel>(&panel, "label_ki")->styleSheet().contains("grey"));
        trigger(table(panel), "导出为...");  // the table's right-click menu
        QCOMPARE(prompter.summary(), QStringList({"错误:|" + why}));
        QVERIFY(prompter.fileDialogs.isEmpty());
        QVERIFY(panel.calculate());
        QVERIFY(!panel.isStale());
        QVERIFY(child<QLabel>(&panel, "label_ki")->styleSheet().isEmpty());
    }

    // The accurate profile runs under the progress dialog with 取消: stopped,
    // the figures of before stay, greyed as no longer holding.
    void accurateProfileShowsProgressAndStops()
    {
        RecordingPrompter prompter;
        PanelProbability panel;
        panel.show();
        panel.setRequest(source.request(), monthEnds(12));
        QVERIFY(panel.calculate());
        PricingRequest slow = source.request();
        slow.method = PricingMethod::Accurate;
        slow.year_days = 20000;  // daily closes make the work: seconds of it
        panel.setRequest(slow, monthEnds(12));
        bool cancelled = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* progress = panel.findChild<QProgressDialog*>("progress_run");
            if (cancelled || !progress || progress->value() <= 0)
                return;
            cancelled = true;
            progress->findChild<QPushButton*>()->click();
        });
        poll.start(20);
        QVERIFY(!panel.calculate());
        QVERIFY(cancelled);
        QVERIFY(panel.isStale());
        QCOMPARE(label(panel, "label_status"), QStringLiteral("计算已取消：所示为上一次的结果"));
        QCOMPARE(table(panel)->rowCount(), 12);
        QVERIFY(prompter.boxes.isEmpty());
    }
};

QTEST_MAIN(PanelProbabilityTest)
#include "PanelProbabilityTest.moc"
