#pragma once

#include "ObserveSchedule.h"
#include "SavedSchedule.h"

#include <QDate>
#include <QDialog>
#include <QString>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Editor of the knock-out observation schedule: one row per observation date
// with its knock-out barrier, knock-out coupon and knock-in barrier. Saving
// publishes the schedule as a SavedSchedule (scheduleSaved); generating dates
// or editing the table publishes nothing, so the window prices what was saved.
// The four process-wide texts below are the editor's working memory between
// its own actions.
//
// Child widgets carry object names for tests and style: dateEdit_start,
// dateEdit_expiry, comboBox_frequency, lineEdit_lock, comboBox_target,
// lineEdit_start_value, lineEdit_change, lineEdit_steps, tableWidget_observe
// and the pushButton_* names of the slots.
class Calendar;

class WidgetObserveGlobal : public QDialog
{
    Q_OBJECT

public:
    // Dates are rolled and counted on the calendar, which outlives the editor.
    explicit WidgetObserveGlobal(const Calendar& calendar, QWidget* parent = nullptr);

    // Schedule texts: dates yyyyMMdd joined by "_", values joined by "_"
    // (one value means the same value on every date).
    static QString observe_dates;
    static QString observe_ko_barrier;
    static QString observe_ko_coupon;
    static QString observe_ki_barrier;

    // Sets both dates, generates the dates and lays out the three value texts;
    // the result counts as published (no signal: the caller asked for it).
    void setSchedule(QDate start, QDate expiry, QString ko, QString coupon, QString ki);
    // The dates currently in the two date inputs (possibly not saved yet).
    QDate startDate() const;
    QDate expiryDate() const;
    // What the last save (or setSchedule) published.
    SavedSchedule savedSchedule() const { return saved_; }

    // The value mode of the table, as "*" and "/" set it: one value for all
    // dates (merged cells) or a value per date.
    void useOneValueForAllDates();
    void useValuePerDate();

signals:
    void scheduleSaved(const SavedSchedule& schedule);

    // Slots in meta-object order: save, add, remove, divide, merge, observe,
    // set_ob_item.
private slots:
    void on_pushButton_save_clicked();
    void on_pushButton_add_clicked();
    void on_pushButton_remove_clicked();
    void on_pushButton_divide_clicked();
    void on_pushButton_merge_clicked();
    void on_pushButton_observe_clicked();
    void on_pushButton_set_ob_item_clicked();

private:
    const Calendar& calendar_;
    void buildWidgets();
    void snapToTradingDay(QDateEdit* edit);
    // observe_dates from the two inputs; the generation, for its merges.
    GeneratedSchedule estimateObserveDates();
    void loadSchedule(const QString& dates, const QString& ko, const QString& coupon, const QString& ki);
    void setColumnValues(const QString& valueText, int column, const QString& name, int rowCount);
    bool checkTable();
    QString joinColumn(int column) const;
    QString firstColumnText(int column) const;
    int itemCountInColumn(int column) const;
    // False, after a message naming both dates, when the expiry is not after the start.
    bool datesInOrder();
    void publish();

    QPushButton* pushButton_save = nullptr;

    QDateEdit* dateEdit_start = nullptr;
    QDateEdit* dateEdit_expiry = nullptr;
    QComboBox* comboBox_frequency = nullptr;
    QLineEdit* lineEdit_lock = nullptr;
    QComboBox* comboBox_target = nullptr;
    QLineEdit* lineEdit_start_value = nullptr;
    QLineEdit* lineEdit_change = nullptr;
    QLineEdit* lineEdit_steps = nullptr;
    QTableWidget* tableWidget_observe = nullptr;
    QPushButton* pushButton_add = nullptr;
    QPushButton* pushButton_remove = nullptr;
    QPushButton* pushButton_divide = nullptr;
    QPushButton* pushButton_merge = nullptr;
    QPushButton* pushButton_observe = nullptr;
    QPushButton* pushButton_set_ob_item = nullptr;

    bool same_mode = true;  // value columns meant to hold one value for all dates
    SavedSchedule saved_;
};
