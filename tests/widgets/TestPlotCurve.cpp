// The curve plot: curves from titles, colours and styles; samples by index.
#include "PlotCurve.h"

#include <qwt_plot_curve.h>
#include <QtTest>

class TestPlotCurve : public QObject
{
    Q_OBJECT

private slots:
    void curvesTakeTheirColoursAndStyles()
    {
        PlotCurve plot;
        QVERIFY(plot.setCurves({"Value", "Target"}, {Qt::black, Qt::red}, {1, 3}));
        QCOMPARE(plot.curveCount(), 2);
        QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2);
        QwtPlotCurve* value = plot.curve(0);
        QwtPlotCurve* target = plot.curve(1);
        QCOMPARE(value->title().text(), QStringLiteral("Value"));
        QCOMPARE(value->pen().color(), QColor(Qt::black));
        QCOMPARE(value->pen().style(), Qt::SolidLine);
        QCOMPARE(target->title().text(), QStringLiteral("Target"));
        QCOMPARE(target->pen().color(), QColor(Qt::red));
        QCOMPARE(target->pen().style(), Qt::DotLine);
        QVERIFY(value->testRenderHint(QwtPlotItem::RenderAntialiased));
        QCOMPARE(value->plot(), &plot);
    }

    void defaultsAreBlackSolid()
    {
        PlotCurve plot;
        QVERIFY(plot.setCurves({QStringLiteral("价格").toUtf8(), "b"}));
        QCOMPARE(plot.curve(0)->title().text(), QStringLiteral("价格"));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(plot.curve(i)->pen().color(), QColor(Qt::black));
            QCOMPARE(plot.curve(i)->pen().style(), Qt::SolidLine);
        }
    }

    void shortListsAreRefused()
    {
        PlotCurve plot;
        QVERIFY(plot.setCurves({"a"}));
        QVERIFY(!plot.setCurves({"x", "y"}, {Qt::red}));
        QVERIFY(!plot.setCurves({"x", "y"}, {Qt::red, Qt::blue}, {1}));
        QCOMPARE(plot.curveCount(), 1);
        QCOMPARE(plot.curve(0)->title().text(), QStringLiteral("a"));
        QCOMPARE(plot.curve(1), nullptr);
    }

    void secondCallReplacesTheCurves()
    {
        PlotCurve plot;
        QVERIFY(plot.setCurves({"a", "b", "c"}));
        QVERIFY(plot.setCurves({"d"}));
        QCOMPARE(plot.curveCount(), 1);
        QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 1);
        QCOMPARE(plot.curve(0)->title().text(), QStringLiteral("d"));
    }

    void samplesGoToTheIndexedCurve()
    {
        PlotCurve plot;
        QVERIFY(plot.setCurves({"Value", "Target"}));
        double x[] = {1.0, 3.0};
        double y[] = {10.0, 30.0};
        plot.setCurveSamples(2, x, y, 2);   // no such curve
        plot.setCurveSamples(-1, x, y, 2);
        QCOMPARE(plot.curve(0)->dataSize(), size_t(0));
        QCOMPARE(plot.curve(1)->dataSize(), size_t(0));

        plot.setCurveSamples(1, x, y, 2);
        x[0] = 99.0;  // the curve holds its own copy
        QCOMPARE(plot.curve(1)->dataSize(), size_t(2));
        QCOMPARE(plot.curve(1)->sample(0), QPointF(1.0, 10.0));
        QCOMPARE(plot.curve(1)->sample(1), QPointF(3.0, 30.0));
        QCOMPARE(plot.curve(1)->boundingRect(), QRectF(1.0, 10.0, 2.0, 20.0));
        QCOMPARE(plot.curve(0)->dataSize(), size_t(0));

        plot.setCurveSamples(0, nullptr, nullptr, 5);  // refused, not read
        QCOMPARE(plot.curve(0)->dataSize(), size_t(0));
        plot.replot();
    }
};

QTEST_MAIN(TestPlotCurve)
#include "TestPlotCurve.moc"
