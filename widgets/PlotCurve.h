#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>

#include <qwt_plot.h>

class QwtPlotCurve;

// A QwtPlot holding an indexed list of line curves.
class PlotCurve : public QwtPlot
{
public:
    PlotCurve();
    ~PlotCurve() override;

    // One curve per title (UTF-8). An empty colour list means black for all,
    // an empty style list solid lines (Qt::PenStyle values) for all. A list
    // shorter than the titles is refused: nothing changes, an error is
    // logged and false is returned. A second call replaces the curves.
    bool setCurves(const QList<QByteArray>& titles, const QList<QColor>& colors = QList<QColor>(),
                   const QList<int>& styles = QList<int>());

    // Copies count points into curve index; an unknown index is ignored.
    // Does not replot.
    void setCurveSamples(int index, const double* x, const double* y, int count);

    int curveCount() const { return curves.size(); }
    QwtPlotCurve* curve(int index) const;

private:
    QList<QwtPlotCurve*> curves;  // attached to the plot, which deletes them
};
