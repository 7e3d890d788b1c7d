#pragma once

#include "Snowball_PDE.h"
#include "StressGrid.h"

#include <QWidget>

class ExportTableWidget;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

// "S-σ压力测试": re-prices the main window's structure over a grid of
// volatilities (rows) and underlying prices (columns) and shows value, Delta
// and Gamma as heat maps. The main window keeps one for the whole run and
// copies its structure into `engine` before every showing; calculations work
// on a private copy, so `engine` itself never changes here.
class PanelStress : public QWidget
{
    Q_OBJECT

public:
    explicit PanelStress(QWidget* parent = nullptr);
    ~PanelStress() override;

    Snowball_PDE engine;

    // Inputs, in layout order.
    QLineEdit* lineEdit_price_start = nullptr;   // "价格开始:"
    QLineEdit* lineEdit_price_end = nullptr;     // "结束:"
    QLineEdit* lineEdit_price_step = nullptr;    // "步长:"
    QLineEdit* lineEdit_vol_start = nullptr;     // "波动率开始:"
    QLineEdit* lineEdit_vol_end = nullptr;       // "结束:"
    QLineEdit* lineEdit_vol_step = nullptr;      // "步长:"
    QLineEdit* lineEdit_days = nullptr;          // "交易日:"
    QPushButton* pushButton_calc = nullptr;      // "计算"
    QPushButton* pushButton_data = nullptr;      // "导出数据"

    QTabWidget* tabWidget = nullptr;             // tabs "TV", "Delta", "Gamma"
    ExportTableWidget* table_tv = nullptr;
    ExportTableWidget* table_delta = nullptr;
    ExportTableWidget* table_gamma = nullptr;

    // The grid of the last calculation, as read from the inputs.
    double price_start = 0.0;
    double price_end = 0.0;
    double price_step = 0.0;
    double vol_start = 0.0;
    double vol_end = 0.0;
    double vol_step = 0.0;

    // nV rows of "-" under the headers "情景" and the nP price labels, the
    // volatility labels in column 0; uses the six grid doubles above.
    void fillStressHeaders(QTableWidget* table, int nP, int nV);
    // Values with 3 decimals in columns 1.., coloured in two bands around centre.
    static void fillStressValues(QTableWidget* table, const StressMatrix& values, double centre);

public slots:
    void on_pushButton_calc_clicked();
    void on_pushButton_data_clicked();

private:
    void setupUi();
};
