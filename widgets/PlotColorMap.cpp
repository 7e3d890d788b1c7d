#include "PlotColorMap.h"

#include <qwt_color_map.h>
#include <qwt_matrix_raster_data.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QwtLinearColorMap* colours()
{
    auto* map = new QwtLinearColorMap(QColor(30, 60, 170), QColor(190, 30, 30));
    map->addColorStop(0.3, QColor(60, 170, 220));
    map->addColorStop(0.55, QColor(150, 210, 120));
    map->addColorStop(0.8, QColor(245, 200, 70));
    return map;
}

}  // namespace

PlotColorMap::PlotColorMap()
{
    setCanvasBackground(Qt::white);
    spectrogram = new QwtPlotSpectrogram;
    spectrogram->setRenderThreadCount(1);  // the machine's cores belong to the pricing
    spectrogram->setColorMap(colours());
    spectrogram->attach(this);
    axisWidget(QwtPlot::yRight)->setColorBarEnabled(true);
    axisWidget(QwtPlot::yRight)->setColorBarWidth(14);
    enableAxis(QwtPlot::yRight);
    clearCells();
}

PlotColorMap::~PlotColorMap() = default;

bool PlotColorMap::setCells(const QVector<double>& values, int columns, const QwtInterval& x, const QwtInterval& y)
{
    if (columns <= 0 || values.isEmpty() || values.size() % columns != 0)
        return false;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (double v : values)
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (!(lo <= hi)) {
        clearCells();
        return true;
    }
    if (hi - lo < 1e-9 * std::max(1.0, std::fabs(hi)))  // one colour: give the bar a width
        hi = lo + std::max(1e-6, 0.01 * std::fabs(lo));
    range = QwtInterval(lo, hi);

    auto* data = new QwtMatrixRasterData;
    data->setValueMatrix(values, columns);
    data->setInterval(Qt::XAxis, x);
    data->setInterval(Qt::YAxis, y);
    data->setInterval(Qt::ZAxis, range);
    data->setResampleMode(QwtMatrixRasterData::NearestNeighbour);
    spectrogram->setData(data);
    cells = values.size();

    axisWidget(QwtPlot::yRight)->setColorMap(range, colours());
    setAxisScale(QwtPlot::yRight, range.minValue(), range.maxValue());
    setAxisScale(QwtPlot::xBottom, x.minValue(), x.maxValue());
    setAxisScale(QwtPlot::yLeft, y.minValue(), y.maxValue());
    replot();
    return true;
}

void PlotColorMap::clearCells()
{
    auto* data = new QwtMatrixRasterData;
    spectrogram->setData(data);
    cells = 0;
    range = QwtInterval();
    axisWidget(QwtPlot::yRight)->setColorMap(QwtInterval(0.0, 1.0), colours());
    setAxisScale(QwtPlot::yRight, 0.0, 1.0);
    replot();
}

void PlotColorMap::setAxisTitles(const QString& bottom, const QString& left, const QString& bar)
{
    setAxisTitle(QwtPlot::xBottom, bottom);
    setAxisTitle(QwtPlot::yLeft, left);
    setAxisTitle(QwtPlot::yRight, bar);
}
