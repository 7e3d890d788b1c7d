#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <qwt_plot.h>

class QwtPlotBarChart;

// A QwtPlot holding one bar chart: one bar per value, the bars' labels under
// the bottom axis (every one when they fit, else every k-th).
class PlotBars : public QwtPlot
{
public:
    PlotBars();
    ~PlotBars() override;

    // Replaces the bars (labels.size() must equal values.size(); otherwise
    // nothing changes and false is returned) and replots.
    bool setBars(const QStringList& labels, const QVector<double>& values);
    void setAxisTitles(const QString& bottom, const QString& left);

    int barCount() const;
    double barValue(int index) const;  // NaN for an unknown index
    QString barLabel(int index) const;

private:
    QwtPlotBarChart* chart = nullptr;  // attached to the plot, which deletes it
    QStringList labels;
};
