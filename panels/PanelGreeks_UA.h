#pragma once

#include "ParameterSearch.h"
#include "PricingRequest.h"

#include <QDialog>

#include <optional>

class ParamTarget;
class PlotCurve;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "场外衍生品 单变量-价格分析": prices the structure at up to 20 values of one
// term, plots price against the term with the target as a line and reports the
// value whose price lies nearest the target. The opener hands the structure
// over with setRequest; "使用" hands the value back to the caller.
//
// Widgets carry their member names as object names for tests: comboBox_param,
// lineEdit_start, lineEdit_end, lineEdit_step, lineEdit_target,
// lineEdit_nearest, lineEdit_param, lineEdit_deviation, pushButton_use,
// pushButton_more, pushButton_analyse, plot, label_status.
class PanelGreeks_UA : public QDialog
{
    Q_OBJECT

public:
    explicit PanelGreeks_UA(double target, QWidget* parent = nullptr);
    ~PanelGreeks_UA() override;

    // The structure to scan; current false when the terms on screen are no
    // longer those of the request (the panel then refuses to scan).
    void setRequest(const PricingRequest& request, bool current);
    void setCaller(ParamTarget* caller);
    // Selects the term (its default range first, when the index changes),
    // then shows max(0, start), max(0, end) and step; for the volatility under
    // a market (its parallel shift) start and end as they are, and the
    // level's default range as the shift's.
    void setRange(Param term, double start, double end, double step);

public slots:
    void on_pushButton_more_clicked();
    void on_pushButton_analyse_clicked();
    void on_comboBox_param_IndexChanged(int index);
    void on_pushButton_use_clicked();

private:
    // The volatility term of a request with a market: its parallel shift.
    bool shiftsVolatility(Param term) const;
    void setupUi();
    // max(0, start), advanced by steps to the first value the request's
    // method prices (see first_priced_value); without a request max(0, start).
    double pricedStart(Param term, double start, double end, double step) const;

    std::optional<PricingRequest> request;
    bool requestCurrent = false;
    ParamTarget* caller = nullptr;
    // Term of the value in lineEdit_param; -1 until an analysis produced one.
    // "使用" writes only a value found for the term currently selected.
    int resultIndex = -1;

    QComboBox* comboBox_param = nullptr;
    QLineEdit* lineEdit_start = nullptr;
    QLineEdit* lineEdit_end = nullptr;
    QLineEdit* lineEdit_step = nullptr;        // set by the panel only
    QLineEdit* lineEdit_target = nullptr;
    QLineEdit* lineEdit_nearest = nullptr;     // "-" until an analysis succeeded
    QLineEdit* lineEdit_param = nullptr;
    QLineEdit* lineEdit_deviation = nullptr;
    QPushButton* pushButton_use = nullptr;     // "使用"
    QPushButton* pushButton_more = nullptr;    // "更精确..."
    QPushButton* pushButton_analyse = nullptr; // "分析"
    QLabel* label_status = nullptr;            // why the structure no longer holds
    PlotCurve* plot = nullptr;                 // curve 0 "Value", curve 1 "Target"
};
