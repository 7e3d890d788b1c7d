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
        const auto pens = [&plot]() {
            QStringList out;
            for (int i = 0; i < plot.curveCount(); ++i)
                out << plot.curve(i)->title().text() + " " + plot.curve(i)->pen().color().name() + " "
                           + QString::number(plot.curve(i)->pen().style());
            return out;
        };
        QVERIFY(plot.setCurves({"a", "b", "c", "d"}));
        QVERIFY(plot.setCurves({QStringLiteral("价格").toUtf8(), "Target"}, {Qt::black, Qt::red}, {1, 3}));
        QCOMPARE(pens(), QStringList({"价格 #000000 1", "Target #ff0000 3"}));  // 1 solid, 3 dotted
        QVERIFY(plot.setCurves({"d", "e", "f"}));  // defaults: black, solid
        QCOMPARE(pens(), QStringList({"d #000000 1", "e #000000 1", "f #000000 1"}));
        // Each call replaces the curves rather than adding to them.
        QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 3);
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
