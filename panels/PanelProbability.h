#pragma once

#include "PricingRequest.h"
#include "Probabilities.h"

#include <QStringList>
#include <QWidget>

#include <optional>

class ExportTableWidget;
class PlotBars;
class QLabel;

// "场外衍生品 概率分析": how likely the structure is to knock out at each
// observation, to knock in, to end with a loss and to reach maturity, and
// how long it is expected to live, under the pricing measure, as the
// request's method computes it (with an error estimate per figure where the
// method gives one). The main window keeps one for the whole run and hands
// its priced structure over before every showing; once the terms on screen
// change the figures are greyed and not exported.
//
// Widgets carry their member names as object names for tests: label_mode,
// label_note, label_status, table, label_ki, label_loss, label_maturity,
// label_life, plot.
class PanelProbability : public QWidget
{
    Q_OBJECT

public:
    explicit PanelProbability(QWidget* parent = nullptr);
    ~PanelProbability() override;

    // The structure to analyse and one display date per observation
    // ("yyyy/MM/dd"). With no dates, or not one per observation, the
    // observations are shown by their time in years.
    void setRequest(const PricingRequest& request, const QStringList& observationDates);

    // Computes the profile and shows it. False after a message box (nothing
    // handed over, a refused structure) or when the run was cancelled.
    bool calculate();

    // The terms on screen changed: greys the results shown and refuses to
    // export them.
    void markStale();
    bool isStale() const { return stale; }

    // "37.00%": probability p in percent with 2 decimals.
    static QString percentText(double p);
    // "±0.0012%": an error estimate in percent with 2 significant digits;
    // empty when there is none.
    static QString errorText(double e);

private:
    void setupUi();
    void showProfile(const ProbabilityProfile& profile);
    void clearResults();
    void showStale(const QString& why);
    QString observationLabel(int index) const;
    bool datesKnown() const;

    std::optional<PricingRequest> request;
    QStringList dates;  // display dates, one per observation, or empty
    bool stale = false;

    QLabel* label_mode = nullptr;      // pricing mode and grid
    QLabel* label_note = nullptr;      // what the figures are, when they are the design grid's
    QLabel* label_status = nullptr;    // empty, or why the results are stale
    ExportTableWidget* table = nullptr;  // 观察日, 敲出价格, 敲出概率, 累计敲出概率 (+ 误差 with estimates)
    QLabel* label_ki = nullptr;        // 敲入概率
    QLabel* label_loss = nullptr;      // 亏损概率
    QLabel* label_maturity = nullptr;  // 到期概率
    QLabel* label_life = nullptr;      // 预期存续期
    PlotBars* plot = nullptr;          // one bar per observation, in percent
};
