// The one-variable scan panel: its defaults, the scan drawn and the nearest
// value found, "更精确..." and "使用" handing a value back to the main window.
#include "PanelGreeks_UA.h"

#include "ChildWidget.h"
#include "ClassicSnowball.h"
#include "MarketModel.h"
#include "ParamTarget.h"
#include "PlotCurve.h"
#include "RecordingPrompter.h"
#include "TermTable.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <qwt_plot_curve.h>

namespace {

// Stands in for the main window: records what "使用" hands back.
class FakeTarget : public ParamTarget
{
public:
    void applyParamValue(Param term, double value) override { applied.append({static_cast<int>(term), value}); }
    QList<QPair<int, double>> applied;
};

QLineEdit* field(const PanelGreeks_UA& panel, const char* name) { return child<QLineEdit>(&panel, name); }
QPushButton* button(const PanelGreeks_UA& panel, const char* name) { return child<QPushButton>(&panel, name); }
QComboBox* terms(const PanelGreeks_UA& panel) { return child<QComboBox>(&panel, "comboBox_param"); }

QStringList range(const PanelGreeks_UA& panel)
{
    return {field(panel, "lineEdit_start")->text(), field(panel, "lineEdit_end")->text(),
            field(panel, "lineEdit_step")->text()};
}

QStringList result(const PanelGreeks_UA& panel)
{
    return {field(panel, "lineEdit_param")->text(), field(panel, "lineEdit_nearest")->text(),
            field(panel, "lineEdit_deviation")->text()};
}

QPointF sample(const PanelGreeks_UA& panel, int curve, int i)
{
    return child<PlotCurve>(&panel, "plot")->curve(curve)->sample(static_cast<size_t>(i));
}

int sampleCount(const PanelGreeks_UA& panel, int curve)
{
    return static_cast<int>(child<PlotCurve>(&panel, "plot")->curve(curve)->dataSize());
}

}  // namespace

class PanelGreeksUATest : public QObject
{
    Q_OBJECT

    const Snowball_PDE source = classicSnowball(200, 120, 1);

    // As the main window opens it: its engine's terms, its range inputs.
    void open(PanelGreeks_UA& panel, FakeTarget* target, double start, double end)
    {
        panel.setRequest(source.request(), true);
        panel.setCaller(target);
        panel.setRange(Param::Sigma, start, end, 0.05);
    }
    void analyse(PanelGreeks_UA& panel) { QTest::mouseClick(button(panel, "pushButton_analyse"), Qt::LeftButton); }

private slots:
    // Choosing a term writes its default range from the term table; the main
    // window's range wins over the default.
    void rangeFollowsTheTerm()
    {
        PanelGreeks_UA panel(100);
        for (int i : {0, 1, 2, 4, 5, 3}) {
            terms(panel)->setCurrentIndex(i);
            const TermSpec& term = termTable()[static_cast<std::size_t>(i)];
            QCOMPARE(terms(panel)->currentText(), QString::fromUtf8(term.caption));
            QCOMPARE(range(panel), QStringList({QString::number(term.start, 'g', 6), QString::number(term.end, 'g', 6),
                                                QString::number(term.step, 'g', 6)}));
        }
        panel.setRange(Param::KiBarrier, 70, 75, 2.5);
        QCOMPARE(terms(panel)->currentIndex(), 1);
        QCOMPARE(range(panel), QStringList({"70", "75", "2.5"}));
    }

    // Under a market the volatility term is its parallel shift: the window's
    // untouched range (and a term chosen again) becomes the shift's default
    // around 0, and a negative shift typed is kept.
    void marketVolatilityIsAShift()
    {
        PanelGreeks_UA panel(100);
        PricingRequest r = source.request();
        r.method = PricingMethod::Accurate;
        r.market = std::make_shared<const MarketModel>(*MarketModel::flat(r.model).value);
        panel.setRequest(r, true);
        panel.setRange(Param::Sigma, 0, 1, 0.05);
        QCOMPARE(range(panel), QStringList({"-0.05", "0.05", "0.01"}));
        panel.setRange(Param::Sigma, -0.1, 0.2, 0.05);
        QCOMPARE(range(panel), QStringList({"-0.1", "0.2", "0.05"}));
        terms(panel)->setCurrentIndex(0);
        terms(panel)->setCurrentIndex(3);
        QCOMPARE(range(panel), QStringList({"-0.05", "0.05", "0.01"}));
        // Without a market the level's range clamps at 0 as before.
        panel.setRequest(source.request(), true);
        panel.setRange(Param::Sigma, -0.1, 0.2, 0.05);
        QCOMPARE(range(panel), QStringList({"0", "0.2", "0.05"}));
    }

    void scanCappedAtTwentyPoints()
    {
        RecordingPrompter prompter;
        PanelGreeks_UA panel(100);
        open(panel, nullptr, 0, 2);  // 41 values asked for
        analyse(panel);
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(field(panel, "lineEdit_step")->text(), QStringLiteral("0.1"));
        QCOMPARE(sampleCount(panel, 0), 20);
        QCOMPARE(sample(panel, 0, 0).x(), 0.0);
        QCOMPARE(sample(panel, 0, 19).x(), 1.9);
        QCOMPARE(sample(panel, 0, 5).y(), priceWith(source, Param::Sigma, 0.5));
        // The target line spans exactly the scanned values.
        QCOMPARE(sampleCount(panel, 1), 2);
        QCOMPARE(sample(panel, 1, 0), QPointF(0.0, 100.0));
        QCOMPARE(sample(panel, 1, 1), QPointF(1.9, 100.0));

        // Nearest, found independently over the same volatilities.
        int best = 0;
        for (int i = 1; i < 20; ++i)
            if (std::fabs(priceWith(source, Param::Sigma, i * 0.1) - 100) < std::fabs(priceWith(source, Param::Sigma, best * 0.1) - 100))
                best = i;
        const double p = priceWith(source, Param::Sigma, best * 0.1);
        QCOMPARE(result(panel), QStringList({QString::number(best * 0.1, 'g', 6), QString::number(p, 'g', 6),
                                             QString::number(std::fabs(100 - p), 'g', 6)}));
        QVERIFY(button(panel, "pushButton_more")->isEnabled());
    }

    // Two barriers between the same grid nodes price alike: the earlier is
    // reported. (Barrier scans themselves are tested with the engine.)
    void tiesReportTheEarlierValue()
    {
        const double p1 = priceWith(source, Param::KoBarrier, 103.2);
        if (p1 != priceWith(source, Param::KoBarrier, 103.4))
            QSKIP("the solver distinguishes barriers between nodes; no tie to test");
        PanelGreeks_UA panel(p1 + 1);
        open(panel, nullptr, 0, 1);
        panel.setRange(Param::KoBarrier, 103.2, 103.4, 0.2);
        analyse(panel);
        QCOMPARE(sampleCount(panel, 0), 2);
        QCOMPARE(field(panel, "lineEdit_param")->text(), QStringLiteral("103.2"));
    }

    void moreNarrowsAroundTheResult()
    {
        PanelGreeks_UA panel(100);
        open(panel, nullptr, 0.1, 0.3);
        field(panel, "lineEdit_target")->setText(QString::number(priceWith(source, Param::Sigma, 0.2), 'g', 17));
        analyse(panel);
        QCOMPARE(field(panel, "lineEdit_param")->text(), QStringLiteral("0.2"));
        QTest::mouseClick(button(panel, "pushButton_more"), Qt::LeftButton);
        QCOMPARE(range(panel), QStringList({"0.15", "0.25", "0.005"}));
        QCOMPARE(sampleCount(panel, 0), 20);
        QCOMPARE(sample(panel, 0, 0).x(), 0.15);
        QVERIFY(std::fabs(sample(panel, 0, 19).x() - 0.245) < 1e-12);
        QVERIFY(std::fabs(field(panel, "lineEdit_param")->text().toDouble() - 0.2) < 1e-12);

        panel.setRange(Param::Sigma, 0.02, 0.02, 0.05);  // near zero the start is clamped
        analyse(panel);
        QTest::mouseClick(button(panel, "pushButton_more"), Qt::LeftButton);
        QCOMPARE(range(panel).mid(0, 2), QStringList({"0", "0.07"}));
    }

    // Terms no longer on screen are not scanned; nor a grid beyond memory.
    void staleOrOversizedTermsNotScanned()
    {
        RecordingPrompter prompter;
        PanelGreeks_UA panel(100);
        panel.setRequest(source.request(), false);
        analyse(panel);
        PricingRequest big = source.request();
        big.model.M = 2000000000;  // price-only runs: ten columns of two billion nodes
        panel.setRequest(big, true);
        analyse(panel);
        QCOMPARE(prompter.boxes.size(), 2);
        QCOMPARE(prompter.summary()[0], QString("错误:|条款已修改，结构信息不再对应当前条款，请先点击【定价】"));
        QVERIFY(prompter.boxes[1].text.startsWith("2000000000 x 120 的网格约需内存"));
        QCOMPARE(sampleCount(panel, 0), 0);
        QVERIFY(!button(panel, "pushButton_more")->isEnabled());
    }

    // Coupons and volatility go back in percent.
    void useHandsTheValueBack_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("handed");
        QTest::newRow("knock-out price") << 0 << 104.0 << 104.0;
        QTest::newRow("knock-in price") << 1 << 85.0 << 85.0;
        QTest::newRow("knock-out coupon") << 2 << 0.12 << 12.0;
        QTest::newRow("volatility") << 3 << 0.25 << 25.0;
        QTest::newRow("dividend coupon") << 4 << 0.08 << 8.0;
        QTest::newRow("both coupons") << 5 << 0.1 << 10.0;
    }

    void useHandsTheValueBack()
    {
        QFETCH(int, index);
        QFETCH(double, value);
        QFETCH(double, handed);
        RecordingPrompter prompter;
        FakeTarget target;
        PanelGreeks_UA panel(100);
        open(panel, &target, 0, 1);
        panel.setRange(Param(index), value, value, 1);  // one point: that value is the result
        analyse(panel);
        QVERIFY(prompter.boxes.isEmpty());
        panel.show();
        QTest::mouseClick(button(panel, "pushButton_use"), Qt::LeftButton);
        QCOMPARE(target.applied.size(), 1);
        QCOMPARE(target.applied.front().first, index);
        QVERIFY(std::fabs(target.applied.front().second - handed) < 1e-9 * handed);
        QVERIFY(panel.isVisible());  // "使用" leaves the dialog open
    }

    // No structure: an error; end below start: nothing, silently; more than
    // 1,000 values: refused; a value off the grid: an error. Nothing is handed
    // back before an analysis, after a failed one, or while the chosen
    // variable is not the one analysed.
    void refusedScansHandNothingBack()
    {
        RecordingPrompter prompter;
        FakeTarget target;
        PanelGreeks_UA panel(100);
        analyse(panel);
        open(panel, &target, 0.5, 0.2);
        QTest::mouseClick(button(panel, "pushButton_use"), Qt::LeftButton);
        analyse(panel);
        QCOMPARE(sampleCount(panel, 0), 0);
        panel.setRange(Param::Sigma, 0, 1, 0.0001);  // 10,001 values
        analyse(panel);
        QCOMPARE(field(panel, "lineEdit_step")->text(), QStringLiteral("0.0001"));
        panel.setRange(Param::KoBarrier, 190, 210, 10);  // 210 lies above the grid's top
        analyse(panel);
        QCOMPARE(prompter.summary(), QStringList({QString::fromUtf8("错误:|未设置定价参数"),
                                                  QString::fromUtf8("提示：|网格点数超过1000，请增大步长或缩小区间。"),
                                                  QString::fromUtf8("错误：|无法对结构进行定价")}));
        QCOMPARE(prompter.boxes[0].parent, &panel);
        QCOMPARE(prompter.boxes[1].icon, prompt::Icon::Warning);
        QCOMPARE(sampleCount(panel, 0), 0);
        QCOMPARE(result(panel), QStringList({"-", "-", "-"}));
        QVERIFY(!button(panel, "pushButton_more")->isEnabled());
        QTest::mouseClick(button(panel, "pushButton_use"), Qt::LeftButton);

        panel.setRange(Param::Sigma, 0.2, 0.2, 0.05);
        analyse(panel);
        terms(panel)->setCurrentIndex(0);  // 0.2 is no barrier
        QCOMPARE(field(panel, "lineEdit_param")->text(), QStringLiteral("0.2"));
        QTest::mouseClick(button(panel, "pushButton_use"), Qt::LeftButton);
        QVERIFY(target.applied.isEmpty());
        terms(panel)->setCurrentIndex(3);
        QTest::mouseClick(button(panel, "pushButton_use"), Qt::LeftButton);
        QCOMPARE(target.applied, (QList<QPair<int, double>>{{3, 20.0}}));
    }
};

QTEST_MAIN(PanelGreeksUATest)
#include "PanelGreeksUATest.moc"
