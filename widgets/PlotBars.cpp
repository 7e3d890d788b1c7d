#include "PlotBars.h"

#include <qwt_column_symbol.h>
#include <qwt_plot_barchart.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_draw.h>
#include <qwt_text.h>

#include <QPalette>

#include <cmath>
#include <limits>

namespace {

// Whole-number ticks of the bottom axis show the bar's label; the others
// (and ticks past the bars) nothing.
class BarLabelDraw : public QwtScaleDraw
{
public:
    explicit BarLabelDraw(const QStringList& labels) : labels(labels)
    {
        setLabelRotation(-40.0);
        setLabelAlignment(Qt::AlignLeft | Qt::AlignBottom);
        enableComponent(QwtAbstractScaleDraw::Backbone, false);
    }

    QwtText label(double value) const override
    {
        const double index = std::round(value);
        if (std::fabs(value - index) > 1e-6 || index < 0 || index >= labels.size())
            return QwtText();
        return QwtText(labels.at(static_cast<int>(index)));
    }

private:
    QStringList labels;
};

}  // namespace

PlotBars::PlotBars()
{
    setCanvasBackground(Qt::white);
    auto* grid = new QwtPlotGrid;
    grid->enableX(false);
    grid->setMajorPen(QColor(Qt::lightGray), 0.0, Qt::DotLine);
    grid->attach(this);

    chart = new QwtPlotBarChart;
    auto* symbol = new QwtColumnSymbol(QwtColumnSymbol::Box);
    symbol->setFrameStyle(QwtColumnSymbol::Plain);
    symbol->setLineWidth(1);
    symbol->setPalette(QPalette(QColor(QStringLiteral("steelblue"))));
    chart->setSymbol(symbol);
    chart->setLayoutPolicy(QwtPlotBarChart::AutoAdjustSamples);
    chart->setSpacing(6);
    chart->attach(this);
    setAxisMaxMinor(QwtPlot::xBottom, 0);
}

PlotBars::~PlotBars() = default;

bool PlotBars::setBars(const QStringList& newLabels, const QVector<double>& values)
{
    if (newLabels.size() != values.size())
        return false;
    labels = newLabels;
    chart->setSamples(values);
    setAxisScaleDraw(QwtPlot::xBottom, new BarLabelDraw(labels));
    // Every label while a dozen fit; longer schedules show every k-th.
    const int n = values.size();
    const double step = n > 12 ? std::ceil(n / 12.0) : 1.0;
    setAxisScale(QwtPlot::xBottom, -0.5, n > 0 ? n - 0.5 : 0.5, step);
    replot();
    return true;
}

void PlotBars::setAxisTitles(const QString& bottom, const QString& left)
{
    setAxisTitle(QwtPlot::xBottom, bottom);
    setAxisTitle(QwtPlot::yLeft, left);
}

int PlotBars::barCount() const
{
    return static_cast<int>(chart->dataSize());
}

double PlotBars::barValue(int index) const
{
    if (index < 0 || index >= barCount())
        return std::numeric_limits<double>::quiet_NaN();
    return chart->sample(static_cast<size_t>(index)).y();
}

QString PlotBars::barLabel(int index) const
{
    return index >= 0 && index < labels.size() ? labels.at(index) : QString();
}
