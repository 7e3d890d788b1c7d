#pragma once

#include "PricingRequest.h"
#include "StressGrid.h"

#include <QWidget>

#include <optional>

class ExportTableWidget;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "S-σ压力测试": prices the main window's structure over a grid of
// volatilities (rows) and underlying prices (columns) and shows value, Delta
// and Gamma as heat maps. The main window keeps one for the whole run and
// hands its structure over with setRequest; once the terms on screen change
// (markStale) the panel neither computes nor exports until it receives
// current terms again and computes.
//
// Widgets carry their member names as object names for tests:
// lineEdit_price_start, lineEdit_price_end, lineEdit_price_step,
// lineEdit_vol_start, lineEdit_vol_end, lineEdit_vol_step, lineEdit_days,
// label_vol_start (波动率开始: or, for a request with a market, 波动率平移开始:),
// pushButton_calc, pushButton_data, table_tv, table_delta, table_gamma,
// label_status.
class PanelStress : public QWidget
{
    Q_OBJECT

public:
    explicit PanelStress(QWidget* parent = nullptr);
    ~PanelStress() override;

    // The structure to stress; current false when the terms on screen are
    // no longer those of the request.
    void setRequest(const PricingRequest& request, bool current);
    // The terms on screen changed: the structure and the tables shown no longer hold.
    void markStale();

    // Values with 3 decimals in columns 1.., coloured in two bands around centre.
    static void fillStressValues(QTableWidget* table, const StressMatrix& values, double centre);

public slots:
    void on_pushButton_calc_clicked();
    void on_pushButton_data_clicked();

private:
    void setupUi();
    // nV rows of "-" under the headers "情景" and the nP price labels, the
    // volatility labels in column 0.
    void fillStressHeaders(QTableWidget* table, int nP, int nV, double priceStart, double priceStep,
                           double volStart, double volStep);
    void showTablesStale(bool stale);
    // With a market the volatility axis is a parallel shift of its volatility
    // input: the label says so, and fields still holding the other axis'
    // defaults take this one's (0.05..0.5 as shifts would add 5 to 50 points).
    void useVolatilityShifts(bool shifts);

    std::optional<PricingRequest> request;
    bool volatilityShifts = false;
    bool requestCurrent = false;
    bool tablesStale = false;

    QLineEdit* lineEdit_price_start = nullptr;   // "价格开始:"
    QLineEdit* lineEdit_price_end = nullptr;     // "结束:"
    QLineEdit* lineEdit_price_step = nullptr;    // "步长:"
    QLabel* label_vol_start = nullptr;
    QLineEdit* lineEdit_vol_start = nullptr;     // "波动率开始:"
    QLineEdit* lineEdit_vol_end = nullptr;       // "结束:"
    QLineEdit* lineEdit_vol_step = nullptr;      // "步长:"
    QLineEdit* lineEdit_days = nullptr;          // "交易日:"
    QPushButton* pushButton_calc = nullptr;      // "计算"
    QPushButton* pushButton_data = nullptr;      // "导出数据"
    QLabel* label_status = nullptr;              // why the tables no longer hold
    ExportTableWidget* table_tv = nullptr;       // tabs "TV", "Delta", "Gamma"
    ExportTableWidget* table_delta = nullptr;
    ExportTableWidget* table_gamma = nullptr;
};
