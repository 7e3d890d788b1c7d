#include "LocalVolView.h"

#include "LocalVolatility.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

// Fine enough for a daily grid's first rows and 1 % level steps to show,
// coarse enough to stay a few milliseconds for a fitted surface.
constexpr int kColumns = 160;
constexpr int kRows = 120;

}  // namespace

LocalVolView::LocalVolView()
{
    setAxisTitles(QStringLiteral("标的价格"), QStringLiteral("年数"), QStringLiteral("局部波动率(%)"));
}

void LocalVolView::show(const LocalVolatility& lv, double lo, double hi, double T)
{
    if (!(hi > lo) || !(T > 0.0)) {
        clearCells();
        return;
    }
    std::vector<double> S(kColumns), sigma;
    for (int i = 0; i < kColumns; ++i)
        S[i] = lo + (i + 0.5) * (hi - lo) / kColumns;
    QVector<double> cells;
    cells.reserve(kColumns * kRows);
    std::string error;
    for (int j = 0; j < kRows; ++j) {
        const double t = (j + 0.5) * T / kRows;
        const bool ok = lv.sigma_on(t, S, sigma, error);
        for (int i = 0; i < kColumns; ++i)
            cells.append(ok ? 100.0 * sigma[i] : std::nan(""));
    }
    setCells(cells, kColumns, QwtInterval(lo, hi), QwtInterval(0.0, T));
}
