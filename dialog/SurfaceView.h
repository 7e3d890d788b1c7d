#pragma once

#include <QString>
#include <QWidget>

class ExportTableWidget;
class LocalVolView;
class PlotCurve;
class QLabel;
struct MarketTable;
struct SurfaceCalibration;

// An implied volatility surface as fitted: each expiry's smile (the quotes
// as points, the fitted smile as a line), the local volatility it gives as a
// colour map, the largest repricing error in words, and every quote with
// its fitted and repriced volatility.
class SurfaceView : public QWidget
{
public:
    explicit SurfaceView(QWidget* parent = nullptr);

    // The fit of the file's quotes (the file gives the expiries as written).
    void show(const SurfaceCalibration& fit, const MarketTable& file);
    // No fit to show, and why.
    void showMessage(const QString& text);

    // "最大重定价误差 ..." for the fit's quotes, with the arbitrage it absorbed.
    static QString errorWords(const SurfaceCalibration& fit, const MarketTable& file);

private:
    QLabel* words = nullptr;
    PlotCurve* smiles = nullptr;
    LocalVolView* localVol = nullptr;
    ExportTableWidget* table = nullptr;
};
