#pragma once

#include "ParamTarget.h"
#include "SavedSchedule.h"
#include "Snowball_PDE.h"
#include "StructureTerms.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class Calendar;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QDate;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class PanelProbability;
class PanelStress;
class WidgetObserveGlobal;

// The calculator's main window: structure terms, pricing, Greeks, lookups,
// target solving, and the openers of the analysis panels. Holds the one
// engine that the panels copy their terms from.
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

    // The field texts and the editor's published schedule, as the terms
    // conversion takes them.
    StructureTexts fieldTexts() const;

    // Writes the terms of the fields into the engine (no checks, no
    // hand-over). False when the observation dates could not be turned into
    // times (trading-day mode without a trading calendar).
    bool collectInputs();
    bool validateObserveDates(QString& error) const;
    bool validateStructure(QString& error, bool spotOnly) const;
    // Shows "结构信息未初始化，请先点击【定价】" when nothing was priced yet.
    bool checkInitialised();
    void updateMaturityDays(const QDate& start, const QDate& expiry);

    // ParamTarget: the univariate panel writes a chosen value back.
    void applyParamValue(Param term, double value) override;

    // Read-only views for the openers and for tests.
    const Snowball_PDE& pricingEngine() const { return *engine; }
    PanelStress* stressPanel() const { return panel_stress.get(); }
    PanelProbability* probabilityPanel() const { return panel_probability.get(); }
    WidgetObserveGlobal* observeEditor() const { return editor_observe; }
    // Whether the grids of the last Greeks run were computed from the terms on screen.
    bool gridCurrent() const { return grid_current; }

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
    void on_pushButton_probability_clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QWidget* buildStructureGroup();
    QWidget* buildAnalysisRow();
    void buildImportExportGroup();
    void connectSlots();
    void nameWidgets();
    void reportMissingCalendar();
    void reportLogFileFailure();
    // 含估算交易日 beside 到期天数 when start..expiry reach a year whose
    // holidays the calendar only estimates.
    void updateEstimatedYears(const QDate& start, const QDate& expiry);
    // 价格上限 marked (colour and tooltip with the safer ceiling) when the
    // price has a fair chance of reaching the grid top within the term.
    void markPriceCeiling(const Snowball_PDE& run);

    // The checks every pricing action runs on the texts before using them:
    // the calendar (trading-day mode), every number read strictly, and the
    // engine's acceptance of the resulting terms. False after a message box.
    bool termsUsable(const StructureTerms& terms, const QString& title);
    bool calendarUsable(const QString& title);
    bool fieldsReadable(const QString& title);
    // collectInputs and the hand-over onto a fresh engine (the window's own
    // engine changes only when the run that follows succeeds).
    bool prepareHandOver(Snowball_PDE& fresh, const QString& title);

    // Results and the terms they belong to.
    void termsChanged();
    void lookupInputsChanged();
    void showPriceRefused();
    void showGreeksRefused();
    void setResultStale(QLineEdit* field, const QString& why);
    // Accurate mode: the check box's mode and the trading days a year onto an
    // engine about to run; the error estimate's text.
    void applyPricingMode(Snowball_PDE& run) const;
    bool accurateTicked() const;
    QString errorText(double estimate) const;
    void showAccurateLookup(double S, double tau, bool knockedIn, double yearDays, int digits);
    void priceReferenceMonteCarlo();
    void setResultFresh(QLineEdit* field);
    QList<QLineEdit*> greekOutputs() const;
    // The saved schedule's dates as yyyy/MM/dd; empty when one is no date.
    QStringList observationDisplayDates() const;

    const Calendar& calendar;
    // Swapped for the engine a successful run computed on.
    std::unique_ptr<Snowball_PDE> engine;
    SavedSchedule schedule;  // what the editor last published
    bool grid_current = false;
    // Whether the engine's terms are those on screen (set by a pricing or a
    // Greeks run, cleared by any change of a term).
    bool terms_current = false;
    bool filling_defaults = false;

    WidgetObserveGlobal* editor_observe = nullptr;

    QComboBox* combo_snowball = nullptr;
    QPushButton* pushButton_snowball = nullptr;
    QComboBox* combo_type = nullptr;
    QLineEdit* lineEdit_S = nullptr;
    QLineEdit* lineEdit_vol = nullptr;
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
};
