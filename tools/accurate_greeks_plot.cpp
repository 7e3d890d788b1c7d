// Draws Delta and Gamma of the window's default structure (not knocked in)
// against spot through the knock-in barrier 80, from the accurate pricer and
// from the grid solver at the window's grid (M 200, N 84, top 200, read
// linearly between its nodes), and saves the picture as PNG.
// Usage: accurate_greeks_plot [file.png] (default accurate_greeks_plot.png);
// runs without a display under QT_QPA_PLATFORM=offscreen.
#include "AccurateStructures.h"
#include "ClassicSnowball.h"
#include "PlotCurve.h"

#include <QApplication>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWidget>

#include <qwt_legend.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_text.h>

#include <cstdio>
#include <vector>

namespace {

const double kFrom = 70.0, kTo = 105.0, kStep = 0.01;

struct Series
{
    std::vector<double> accurate, grid;
};

// One panel: the accurate curve solid, the grid solver's dashed, the
// knock-in barrier as a vertical line.
PlotCurve* panel(const char* greek, const std::vector<double>& spots, const Series& y, double barrier)
{
    auto* plot = new PlotCurve;
    const QByteArray name(greek);
    plot->setCurves({name + " accurate", name + " grid solver (M 200, N 84)"}, {QColor(20, 60, 200), QColor(220, 90, 20)},
                    {int(Qt::SolidLine), int(Qt::DashLine)});
    plot->setCurveSamples(0, spots.data(), y.accurate.data(), static_cast<int>(spots.size()));
    plot->setCurveSamples(1, spots.data(), y.grid.data(), static_cast<int>(spots.size()));
    plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("spot"));
    plot->setAxisTitle(QwtPlot::yLeft, QString::fromLatin1(greek));
    plot->setAxisScale(QwtPlot::xBottom, kFrom, kTo, 5.0);
    plot->insertLegend(new QwtLegend, QwtPlot::TopLegend);
    plot->setCanvasBackground(Qt::white);
    auto* grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(225, 225, 225), 0.0, Qt::SolidLine);
    grid->attach(plot);
    auto* marker = new QwtPlotMarker;
    marker->setLineStyle(QwtPlotMarker::VLine);
    marker->setXValue(barrier);
    marker->setLinePen(QColor(120, 120, 120), 0.0, Qt::DotLine);
    marker->setLabel(QwtText(QStringLiteral("knock-in %1").arg(barrier)));
    marker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    marker->attach(plot);
    plot->replot();
    return plot;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("accurate_greeks_plot.png");

    const AccurateCase k = defaultCase();
    const AccurateSolution s = solve_accurate(k.contract, k.model, k.year_days);
    if (!s.ok()) {
        std::fprintf(stderr, "accurate_greeks_plot: %s\n", s.error.c_str());
        return 1;
    }
    Snowball_PDE engine = classicSnowball(200, 84, 3);
    if (!engine.calculate() || !engine.create_Greeks()) {
        std::fprintf(stderr, "accurate_greeks_plot: the grid solver failed\n");
        return 1;
    }

    std::vector<double> spots;
    Series delta, gamma;
    const double today = engine.params.T;  // remaining time today: the grid's first column
    for (int i = 0; kFrom + kStep * i <= kTo + 1e-9; ++i) {
        const double S = kFrom + kStep * i;
        spots.push_back(S);
        delta.accurate.push_back(s.delta(S, false));
        gamma.accurate.push_back(s.gamma(S, false));
        delta.grid.push_back(engine.lookup_delta(S, today, false));
        gamma.grid.push_back(engine.lookup_gamma(S, today, false));
    }
    const double barrier = k.contract.ki_barrier.front();

    QWidget window;
    window.setStyleSheet(QStringLiteral("background: white;"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(panel("Delta", spots, delta, barrier));
    layout->addWidget(panel("Gamma", spots, gamma, barrier));
    window.resize(1000, 900);
    window.show();
    app.processEvents();
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "accurate_greeks_plot: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
