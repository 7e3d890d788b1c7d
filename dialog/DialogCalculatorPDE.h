#pragma once

#include "CalculatorController.h"
#include "ParamTarget.h"

#include <QDialog>

#include <memory>

class Calendar;
class QCheckBox;
class QComboBox;
class QDate;
class QFileSystemWatcher;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class MarketDataDialog;
class PanelProbability;
class PanelStress;
class WidgetObserveGlobal;
struct LookupOutcome;

// The calculator's main window: the fields, the buttons and the boxes. What
// the actions compute and which results still belong to the terms on screen
// is the controller's (CalculatorController); the window reads its fields
// into the controller's actions and shows what they return. The layout is
// built in CalculatorLayout.cpp.
//
// Its widgets are private; each carries its member name as object name
// (lineEdit_S, pushButton_price, editor_observe, ...), which is how tests and
// style sheets find them.
class DialogCalculatorPDE : public QDialog, public ParamTarget
{
    Q_OBJECT

public:
    // With the process-wide trading calendar.
    explicit DialogCalculatorPDE(QWidget* parent = nullptr);
    // With the calendar the program assembled (may be empty: the window then
    // says so once and refuses to price in trading-day mode).
    explicit DialogCalculatorPDE(const Calendar& calendar, QWidget* parent = nullptr);
    ~DialogCalculatorPDE() override;

    // ParamTarget: the univariate panel writes a chosen value back.
    void applyParamValue(Param term, double value) override;

    // Read-only views for the program and for tests.
    const CalculatorController& controller() const { return controller_; }
    PanelStress* stressPanel() const { return panel_stress.get(); }
    PanelProbability* probabilityPanel() const { return panel_probability.get(); }
    WidgetObserveGlobal* observeEditor() const { return editor_observe; }
    MarketDataDialog* marketDialog() const { return dialog_market.get(); }

private slots:
    void on_combo_type_changed(int index);
    void on_combo_days_changed(int index);
    void on_combo_snowball_changed(int index);
    void on_T_changed(const QString& text);
    void on_S_changed(const QString& text);
    void on_pushButton_price_clicked();
    void on_pushButton_search_100_clicked();
    void on_pushButton_range_clicked();
    void on_pushButton_price_MC_clicked();
    void on_pushButton_default_param_clicked();
    void on_pushButton_snowball_clicked();
    void on_observe_save_clicked(const SavedSchedule& schedule);
    void on_pushButton_save_CSV_clicked();
    void on_pushButton_update_clicked();
    void on_pushButton_calc_greeks_clicked();
    void on_pushButton_lookup_clicked();
    void on_pushButton_univariate_clicked();
    void on_pushButton_stress_test_clicked();
    void on_pushButton_export_matrix_clicked();
    // 概率分析: the probability panel on the priced structure.
    void analyseProbabilities();
    // 市场数据: the dialog that loads, shows and clears the market files.
    void openMarketData();
    // The market changed (loaded, cleared, or a file changed on disk):
    // results go stale and the fields follow.
    void marketChanged();
    // Results belong to the terms that produced them: any change of a term
    // makes them stale, a change of the lookup inputs the lookup outputs.
    void markResultsStale();
    void markLookupStale();
    void reportMissingCalendar();
    void reportLogFileFailure();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // CalculatorLayout.cpp: the widgets, their names and connections.
    void buildWindow();
    QWidget* buildStructureGroup();
    QWidget* buildAnalysisRow();
    void buildImportExportGroup();
    void connectSlots();
    void nameWidgets();

    // The fields as the controller's actions take them.
    CalculatorInputs inputs() const;
    LookupInputs lookupInputs() const;
    // Runs the controller's computations under the progress dialog; with
    // status, 正在计算... shows in the status label while they last.
    CalculatorController::Runner runner(bool status = false);
    void tell(const Notice& notice);
    void showLookup(const LookupOutcome& outcome);
    void updateMaturityDays(const QDate& start, const QDate& expiry);
    // The panels follow the terms the controller now holds as current.
    void handOverToPanels();
    // The flat fields a market file replaces greyed, naming the file; the
    // files watched for changes on disk.
    void showMarketInFields();
    // Results carry the model they were priced in (and the method) as tooltip.
    void showModel(QLineEdit* field, const QString& model);
    // 单变量-价格图 and 知x求1: the modal scan panel on the structure handed over.
    void openUnivariate(const Handover& handover);

    void setResultStale(QLineEdit* field, const QString& why);
    void setResultFresh(QLineEdit* field);
    void showPriceRefused();
    QList<QLineEdit*> greekOutputs() const;

    CalculatorController controller_;

    WidgetObserveGlobal* editor_observe = nullptr;

    QComboBox* combo_snowball = nullptr;
    QPushButton* pushButton_snowball = nullptr;
    QComboBox* combo_type = nullptr;
    QLineEdit* lineEdit_S = nullptr;
    QLineEdit* lineEdit_vol = nullptr;
    QLineEdit* lineEdit_vol_shift = nullptr;  // 波动率平移(%): the market's volatility input shifted
    QLineEdit* lineEdit_rate = nullptr;
    QLineEdit* lineEdit_q = nullptr;
    QLineEdit* lineEdit_T = nullptr;
    QLabel* label_estimated = nullptr;  // 含估算交易日, hidden unless the dates reach an estimated year
    QLineEdit* lineEdit_price = nullptr;
    QLineEdit* lineEdit_error = nullptr;  // 误差估计: the accurate price's error, empty in the design mode
    QLineEdit* lineEdit_coupon = nullptr;
    QLineEdit* lineEdit_div_coupon = nullptr;
    QLineEdit* lineEdit_ko = nullptr;
    QLineEdit* lineEdit_ki = nullptr;
    QLineEdit* lineEdit_floor = nullptr;
    QLineEdit* lineEdit_call_strike = nullptr;
    QLineEdit* lineEdit_participation = nullptr;
    QPushButton* pushButton_price = nullptr;
    QPushButton* pushButton_search_100 = nullptr;
    QPushButton* pushButton_price_MC = nullptr;
    QComboBox* combo_target = nullptr;
    QLineEdit* lineEdit_range_start = nullptr;
    QLineEdit* lineEdit_range_end = nullptr;
    QLineEdit* lineEdit_range_target = nullptr;
    QPushButton* pushButton_range = nullptr;
    QPushButton* pushButton_calc_greeks = nullptr;
    QPushButton* pushButton_export_matrix = nullptr;
    QPushButton* pushButton_univariate = nullptr;
    QPushButton* pushButton_probability = nullptr;
    QLineEdit* lineEdit_lookup_S = nullptr;
    QLineEdit* lineEdit_lookup_date = nullptr;
    QCheckBox* checkBox_knocked_in = nullptr;
    QPushButton* pushButton_lookup = nullptr;
    QLineEdit* lineEdit_out_price = nullptr;
    QLineEdit* lineEdit_out_delta = nullptr;
    QLineEdit* lineEdit_out_gamma = nullptr;
    QLineEdit* lineEdit_out_theta = nullptr;
    QLineEdit* lineEdit_out_vega = nullptr;
    QLineEdit* lineEdit_out_rho = nullptr;
    QPushButton* pushButton_stress_test = nullptr;
    QLineEdit* lineEdit_Smax = nullptr;
    QLineEdit* lineEdit_M = nullptr;
    QLineEdit* lineEdit_N = nullptr;
    QLineEdit* lineEdit_digits = nullptr;
    QComboBox* combo_days = nullptr;
    QLineEdit* lineEdit_year_days = nullptr;
    QCheckBox* checkBox_accurate = nullptr;  // 高精度: the accurate mode instead of the design grid
    QPushButton* pushButton_market = nullptr;  // 市场数据
    QFileSystemWatcher* watcher_market = nullptr;  // the loaded market files
    // Built but never placed in the window.
    QGroupBox* group_import_export = nullptr;
    QLineEdit* lineEdit_struct_id = nullptr;
    QPushButton* pushButton_update = nullptr;
    QPushButton* pushButton_save_CSV = nullptr;
    QPushButton* pushButton_default_param = nullptr;
    QLabel* label_status = nullptr;
    QLineEdit* lineEdit_open_price = nullptr;
    QLabel* label_link = nullptr;

    // Kept for the rest of the process once opened; owned here so that it
    // goes before the application object does.
    std::unique_ptr<PanelStress> panel_stress;
    std::unique_ptr<PanelProbability> panel_probability;
    std::unique_ptr<MarketDataDialog> dialog_market;
};
