#pragma once

// The calculator window with its child widgets looked up by object name, so
// that tests read like the user's view of it (d->lineEdit_S, ...).
#include "DialogCalculatorPDE.h"
#include "RecordingPrompter.h"
#include "WidgetObserveGlobal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

class DialogUnderTest : public DialogCalculatorPDE
{
public:
    using DialogCalculatorPDE::DialogCalculatorPDE;

    template <class T>
    T* child(const char* name) const
    {
        T* widget = findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no child widget %s", name);
        return widget;
    }

    WidgetObserveGlobal* editor_observe = child<WidgetObserveGlobal>("editor_observe");
    QPushButton* editorSave = editor_observe->findChild<QPushButton*>("pushButton_save");

    QComboBox* combo_snowball = child<QComboBox>("combo_snowball");
    QPushButton* pushButton_snowball = child<QPushButton>("pushButton_snowball");
    QComboBox* combo_type = child<QComboBox>("combo_type");
    QLineEdit* lineEdit_S = child<QLineEdit>("lineEdit_S");
    QLineEdit* lineEdit_vol = child<QLineEdit>("lineEdit_vol");
    QLineEdit* lineEdit_rate = child<QLineEdit>("lineEdit_rate");
    QLineEdit* lineEdit_q = child<QLineEdit>("lineEdit_q");
    QLineEdit* lineEdit_T = child<QLineEdit>("lineEdit_T");
    QLineEdit* lineEdit_price = child<QLineEdit>("lineEdit_price");
    QLineEdit* lineEdit_coupon = child<QLineEdit>("lineEdit_coupon");
    QLineEdit* lineEdit_div_coupon = child<QLineEdit>("lineEdit_div_coupon");
    QLineEdit* lineEdit_ko = child<QLineEdit>("lineEdit_ko");
    QLineEdit* lineEdit_ki = child<QLineEdit>("lineEdit_ki");
    QLineEdit* lineEdit_floor = child<QLineEdit>("lineEdit_floor");
    QLineEdit* lineEdit_call_strike = child<QLineEdit>("lineEdit_call_strike");
    QLineEdit* lineEdit_participation = child<QLineEdit>("lineEdit_participation");
    QPushButton* pushButton_price = child<QPushButton>("pushButton_price");
    QPushButton* pushButton_search_100 = child<QPushButton>("pushButton_search_100");
    QPushButton* pushButton_price_MC = child<QPushButton>("pushButton_price_MC");
    QComboBox* combo_target = child<QComboBox>("combo_target");
    QLineEdit* lineEdit_range_start = child<QLineEdit>("lineEdit_range_start");
    QLineEdit* lineEdit_range_end = child<QLineEdit>("lineEdit_range_end");
    QLineEdit* lineEdit_range_target = child<QLineEdit>("lineEdit_range_target");
    QPushButton* pushButton_range = child<QPushButton>("pushButton_range");
    QPushButton* pushButton_calc_greeks = child<QPushButton>("pushButton_calc_greeks");
    QPushButton* pushButton_export_matrix = child<QPushButton>("pushButton_export_matrix");
    QPushButton* pushButton_univariate = child<QPushButton>("pushButton_univariate");
    QPushButton* pushButton_probability = child<QPushButton>("pushButton_probability");
    QLineEdit* lineEdit_lookup_S = child<QLineEdit>("lineEdit_lookup_S");
    QLineEdit* lineEdit_lookup_date = child<QLineEdit>("lineEdit_lookup_date");
    QCheckBox* checkBox_knocked_in = child<QCheckBox>("checkBox_knocked_in");
    QPushButton* pushButton_lookup = child<QPushButton>("pushButton_lookup");
    QLineEdit* lineEdit_out_price = child<QLineEdit>("lineEdit_out_price");
    QLineEdit* lineEdit_out_delta = child<QLineEdit>("lineEdit_out_delta");
    QLineEdit* lineEdit_out_gamma = child<QLineEdit>("lineEdit_out_gamma");
    QLineEdit* lineEdit_out_theta = child<QLineEdit>("lineEdit_out_theta");
    QLineEdit* lineEdit_out_vega = child<QLineEdit>("lineEdit_out_vega");
    QLineEdit* lineEdit_out_rho = child<QLineEdit>("lineEdit_out_rho");
    QPushButton* pushButton_stress_test = child<QPushButton>("pushButton_stress_test");
    QLineEdit* lineEdit_Smax = child<QLineEdit>("lineEdit_Smax");
    QLineEdit* lineEdit_M = child<QLineEdit>("lineEdit_M");
    QLineEdit* lineEdit_N = child<QLineEdit>("lineEdit_N");
    QLineEdit* lineEdit_digits = child<QLineEdit>("lineEdit_digits");
    QComboBox* combo_days = child<QComboBox>("combo_days");
    QLineEdit* lineEdit_year_days = child<QLineEdit>("lineEdit_year_days");
    QGroupBox* group_import_export = child<QGroupBox>("group_import_export");
    QLineEdit* lineEdit_struct_id = child<QLineEdit>("lineEdit_struct_id");
    QPushButton* pushButton_update = child<QPushButton>("pushButton_update");
    QPushButton* pushButton_save_CSV = child<QPushButton>("pushButton_save_CSV");
    QPushButton* pushButton_default_param = child<QPushButton>("pushButton_default_param");
    QLabel* label_status = child<QLabel>("label_status");
    QLineEdit* lineEdit_open_price = child<QLineEdit>("lineEdit_open_price");

    // The schedule the window prices with.
    SavedSchedule published() const { return editor_observe->savedSchedule(); }
    // Hands the window a schedule as the editor's 保存 would.
    void publish(const SavedSchedule& s) { emit editor_observe->scheduleSaved(s); }
};

// What the window tests share: the boxes of the running test (set up in each
// test's init()), a scratch home folder, and windows on a coarse price grid so
// that grid runs stay quick (reference engines use the same M).
struct DialogFixture
{
    std::unique_ptr<RecordingPrompter> prompter;
    QTemporaryDir home;

    static std::unique_ptr<DialogUnderTest> makeDialog()
    {
        auto d = std::make_unique<DialogUnderTest>();
        d->lineEdit_M->setText("60");
        return d;
    }
};
