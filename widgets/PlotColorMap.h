#pragma once

#include <QString>
#include <QVector>

#include <qwt_interval.h>
#include <qwt_plot.h>

class QwtPlotSpectrogram;

// A QwtPlot showing one function of two variables as a colour map
// (QwtPlotSpectrogram) with its colour bar on the right: blue for the
// lowest value shown, red for the highest.
class PlotColorMap : public QwtPlot
{
public:
    PlotColorMap();
    ~PlotColorMap() override;

    // rows x columns cells over x and y, row-major from the lowest y; each
    // value stands for its whole cell (sample it at the cell's centre). NaN
    // cells stay empty; the colours span the finite values. A size that does
    // not match is refused: nothing changes and false is returned.
    bool setCells(const QVector<double>& values, int columns, const QwtInterval& x, const QwtInterval& y);
    void clearCells();
    void setAxisTitles(const QString& bottom, const QString& left, const QString& bar);

    int cellCount() const { return cells; }
    QwtInterval valueRange() const { return range; }

private:
    QwtPlotSpectrogram* spectrogram = nullptr;  // attached to the plot, which deletes it
    int cells = 0;
    QwtInterval range;
};
