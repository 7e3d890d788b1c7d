#pragma once

#include "ProbabilityProfile.h"
#include "Snowball_PDE.h"

#include <QStringList>
#include <QWidget>

class ExportTableWidget;
class PlotBars;
class QLabel;

// "场外衍生品 概率分析": how likely the structure is to knock out at each
// observation, to knock in, to end with a loss and to reach maturity, and
// how long it is expected to live, under the pricing measure. Computes in
// the pricing mode of the engine it was given (design grid or accurate, the
// latter with an error estimate per figure) on a copy of `engine`. The main
// window keeps one for the whole run and hands its structure over before
// every showing.
class PanelProbability : public QWidget
{
    Q_OBJECT

public:
    explicit PanelProbability(QWidget* parent = nullptr);
    ~PanelProbability() override;

    // The structure to analyse: terms, parameters, pricing mode and trading
    // days a year of source, and one display date per observation
    // ("yyyy/MM/dd"). With no dates, or not one per observation, the
    // observations are shown by their time in years.
    void setStructure(const Snowball_PDE& source, const QStringList& observationDates);

    // Computes the profile and shows it. False after a message box (nothing
    // priced yet, a refused structure) or when the run was cancelled.
    bool calculate();

    // Greys the results shown and says why they no longer hold.
    void markStale(const QString& why);
    bool isStale() const { return stale; }

    Snowball_PDE engine;
    QStringList dates;  // display dates, one per observation, or empty

    QLabel* label_mode = nullptr;      // pricing mode and grid
    QLabel* label_status = nullptr;    // empty, or why the results are stale
    ExportTableWidget* table = nullptr;  // 观察日, 敲出价格, 敲出概率, 累计敲出概率 (+ 误差 in accurate mode)
    QLabel* label_ki = nullptr;        // 敲入概率
    QLabel* label_loss = nullptr;      // 亏损概率
    QLabel* label_maturity = nullptr;  // 到期概率
    QLabel* label_life = nullptr;      // 预期存续期
    PlotBars* plot = nullptr;          // one bar per observation, in percent

    // "37.00%": probability p in percent with 2 decimals.
    static QString percentText(double p);
    // "±0.0012%": an error estimate in percent with 2 significant digits;
    // empty when there is none.
    static QString errorText(double e);

private:
    void setupUi();
    void showProfile(const ProbabilityProfile& profile);
    void clearResults();
    QString observationLabel(int index) const;
    bool datesKnown() const;

    bool stale = false;
};
