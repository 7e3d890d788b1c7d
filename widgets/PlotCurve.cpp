#include "PlotCurve.h"

#include "AppLogger.h"

#include <qwt_plot_curve.h>
#include <qwt_text.h>

PlotCurve::PlotCurve() = default;

PlotCurve::~PlotCurve()
{
    // The attached curves are deleted by QwtPlot; only the list goes here.
    curves.clear();
}

bool PlotCurve::setCurves(const QList<QByteArray>& titles, const QList<QColor>& colors,
                          const QList<int>& styles)
{
    // Bounds test before anything is read or changed.
    if ((!colors.isEmpty() && colors.size() < titles.size())
        || (!styles.isEmpty() && styles.size() < titles.size())) {
        AppLogger::instance().log(AppLogger::Err,
                                  "PlotCurve::setCurves: %d titles but %d colours and %d styles",
                                  titles.size(), colors.size(), styles.size());
        return false;
    }

    for (QwtPlotCurve* old : curves) {
        old->detach();
        delete old;
    }
    curves.clear();

    for (int i = 0; i < titles.size(); ++i) {
        const QColor color = colors.isEmpty() ? QColor(Qt::black) : colors.at(i);
        const auto style = static_cast<Qt::PenStyle>(styles.isEmpty() ? int(Qt::SolidLine) : styles.at(i));
        auto* curve = new QwtPlotCurve(QwtText(QString::fromUtf8(titles.at(i))));
        curves.append(curve);
        curve->setPen(color, 0.0, style);
        curve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
        curve->attach(this);
    }
    return true;
}

void PlotCurve::setCurveSamples(int index, const double* x, const double* y, int count)
{
    if (index < 0 || index >= curves.size())
        return;
    if (count < 0 || (count > 0 && (!x || !y)))
        return;
    curves.at(index)->setSamples(x, y, count);
}

QwtPlotCurve* PlotCurve::curve(int index) const
{
    return index >= 0 && index < curves.size() ? curves.at(index) : nullptr;
}
