#pragma once

#include "CalculatorController.h"
#include "MarketSet.h"

#include <QDialog>

#include <array>
#include <functional>

class ExportTableWidget;
class LocalVolView;
class PlotCurve;
class QLabel;
class QPushButton;
class QTabWidget;
class SurfaceView;

// 市场数据: loads, shows and clears each market input of the accurate mode
// (the curves as a table and a plot, the local volatility grid as a colour
// map, the implied volatility surface as its smiles, its local volatility
// and its repricing error). What is loaded is the controller's; the dialog
// says when it changed (marketChanged), for the window to follow.
class MarketDataDialog : public QDialog
{
    Q_OBJECT

public:
    // inputs: the main window's fields (the spot, the valuation date and the
    // clock the files are read against).
    MarketDataDialog(CalculatorController& controller, std::function<CalculatorInputs()> inputs,
                     QWidget* parent = nullptr);
    ~MarketDataDialog() override;

    // Shows what is loaded now (files may have changed on disk meanwhile).
    void refresh();

signals:
    void marketChanged();

private slots:
    void showCurrentPage();

private:
    struct Page
    {
        QLabel* file = nullptr;
        QLabel* problem = nullptr;
        ExportTableWidget* table = nullptr;
        PlotCurve* curve = nullptr;     // the curves
        LocalVolView* grid = nullptr;   // the local volatility grid
        SurfaceView* surface = nullptr; // the implied volatility surface
    };

    QWidget* buildPage(MarketInput input);
    void load(MarketInput input);
    void clear(MarketInput input);
    void showPage(MarketInput input);
    // The file's key times on the engine's clock; false with the reason.
    bool keyTimes(const MarketTable& table, std::vector<double>& times, QString& error) const;
    void showCurve(Page& page, const MarketTable& table, const std::vector<double>& times);
    void showGrid(Page& page, const MarketTable& table, const std::vector<double>& times);
    void showSurface(Page& page, const MarketTable& table);
    CalculatorController::Runner runner();

    CalculatorController& controller;
    std::function<CalculatorInputs()> inputs;
    QTabWidget* tabs = nullptr;
    std::array<Page, kMarketInputCount> pages;
    QString lastFolder;
};
