// The curve plot: curves from titles, colours and styles; samples by index.
#include "PlotCurve.h"

#include <qwt_plot_curve.h>
#include <QtTest>

class TestPlotCurve : public QObject
{
    Q_OBJECT

private slots:
    void curvesTakeTheirTitlesColoursAndStyles()
    {
        PlotCurve plot;
        QVERIFY(plot.setCurves({"a", "b", "c"}));
        QVERIFY(plot.setCurves({QStringLiteral("价格").toUtf8(), "Target", "Plain"}, {Qt::black, Qt::red, Qt::blue},
                               {1, 3, 1}));
        // A second call replaces the curves rather than adding to them.
        QCOMPARE(plot.curveCount(), 3);
        QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 3);
        const QStringList titles = {"价格", "Target", "Plain"};
        const QColor colours[] = {Qt::black, Qt::red, Qt::blue};
        const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DotLine, Qt::SolidLine};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(plot.curve(i)->title().text(), titles[i]);
            QCOMPARE(plot.curve(i)->pen().color(), colours[i]);
            QCOMPARE(plot.curve(i)->pen().style(), styles[i]);
            QCOMPARE(plot.curve(i)->plot(), &plot);
        }
        QVERIFY(plot.curve(0)->testRenderHint(QwtPlotItem::RenderAntialiased));

        QVERIFY(plot.setCurves({"d", "e"}));  // defaults: black, solid
        QCOMPARE(plot.curveCount(), 2);
        QCOMPARE(plot.curve(1)->pen().color(), QColor(Qt::black));
        QCOMPARE(plot.curve(1)->pen().style(), Qt::SolidLine);
    }

    // Colour or style lists shorter than the titles are refused, leaving the plot.
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

    // Samples go to the indexed curve only, copied; other indexes and null
    // arrays are refused without being read.
    void samplesGoToTheIndexedCurve()
    {
        PlotCurve plot;
        QVERIFY(plot.setCurves({"Value", "Target"}));
        double x[] = {1.0, 3.0};
        double y[] = {10.0, 30.0};
        plot.setCurveSamples(2, x, y, 2);
        plot.setCurveSamples(-1, x, y, 2);
        plot.setCurveSamples(0, nullptr, nullptr, 5);
        plot.setCurveSamples(1, x, y, 2);
        x[0] = 99.0;
        QCOMPARE(plot.curve(0)->dataSize(), size_t(0));
        QCOMPARE(plot.curve(1)->boundingRect(), QRectF(1.0, 10.0, 2.0, 20.0));
        plot.replot();
    }
};

QTEST_MAIN(TestPlotCurve)
#include "TestPlotCurve.moc"
