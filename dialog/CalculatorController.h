#pragma once

#include "MarketSet.h"
#include "Pricer.h"
#include "PricingRequest.h"
#include "SavedSchedule.h"
#include "StructureTerms.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Calendar;
class QSettings;
namespace files { struct WriteStatus; }

// A message for the user, shown by the window as a box; none when kind is None.
struct Notice
{
    enum class Kind { None, Information, Warning, Critical };
    Kind kind = Kind::None;
    QString title;
    QString text;

    explicit operator bool() const { return kind != Kind::None; }
    static Notice critical(const QString& title, const QString& text) { return {Kind::Critical, title, text}; }
    static Notice information(const QString& title, const QString& text) { return {Kind::Information, title, text}; }
    static Notice warning(const QString& title, const QString& text) { return {Kind::Warning, title, text}; }
};

// How an action ended: with its results, refused before or while it ran
// (the notice says why), or stopped by the user (nothing changes).
enum class ActionEnd { Done, Refused, Cancelled };

// The window's fields as typed, for the actions that read the terms.
struct CalculatorInputs
{
    StructureTexts texts;  // the schedule parts are the controller's own
    PayoffForm form = PayoffForm::Note;  // 类型
    bool accurate = false;               // 高精度
    QString volShift = QStringLiteral("0");  // 波动率平移(%): the market's volatility input shifted, with market files
    QString digits;                      // 小数位数:
    QString structId;                    // 结构编号, for the log
};

// The lookup group's fields.
struct LookupInputs
{
    QString spot;      // 今价：
    QString date;      // 今日： yyyyMMdd
    QString yearDays;  // PDE年天数
    QString digits;    // 小数位数:
    bool knockedIn = false;
};

struct PriceOutcome
{
    ActionEnd end = ActionEnd::Refused;
    Notice notice;
    QString price;  // two decimals; "-" when refused
    QString error;  // "±0.003" when the method gives an error estimate, else empty
    QString ceilingTip;  // not empty when 价格上限 is low for the terms
    std::optional<QString> status;  // the new text of the status label, when it changes
    bool current = false;  // the terms on screen are still those priced
    QString model;  // the market model priced in, in words; empty without market files
};

// Price and Greeks at the lookup point, in the window's units and texts.
struct LookupOutcome
{
    ActionEnd end = ActionEnd::Refused;
    Notice notice;
    bool shown = false;  // the six texts replace the outputs ("-" after a failure)
    std::array<QString, 6> values;  // price, Delta, Gamma, Theta(1D), Vega, Rho(1%)
    QString priceTip;  // the lookup price's error estimate and model, when it has them
};

struct GreeksOutcome
{
    ActionEnd end = ActionEnd::Refused;
    Notice notice;
    bool outputsCleared = false;  // refused for the terms on screen: "-" in every output
    bool exportable = false;      // the sheet keeps value grids (导出矩阵)
    LookupOutcome lookup;         // when Done
};

struct SolveInputs
{
    int target = 0;  // 0 波动率, 1 红利&敲出票息; anything else: none chosen
    QString value;   // 目标值:
    QString start;   // 区间开始:
    QString end;     // 区间结束:
};

struct SolveOutcome
{
    ActionEnd end = ActionEnd::Refused;
    Notice notice;
    QString solution;  // percent with one decimal, when found
    // With market files the volatility solved is their parallel shift (波动率平移(%)).
    bool volatilityShift = false;
    std::optional<QString> status;
};

struct MonteCarloOutcome
{
    ActionEnd end = ActionEnd::Refused;
    Notice notice;
    QString price;       // with 高精度: the price field, two decimals, and the standard error
    QString error;
    QString source;      // tooltip of both: the method and the model
    QString lookupSpot;  // without 高精度: the design's check, written into 今价：
};

// "无法加载交易日历...": said whenever trading days are needed and there is no calendar.
QString noCalendarText();

// The warning for a file the user asked for that could not be written (the
// writer says why); none when it was written.
Notice notWritten(const QString& path, const files::WriteStatus& written);

// A structure for an analysis panel.
struct Handover
{
    Notice notice;  // refused: nothing to hand over
    PricingRequest request;
    bool current = false;  // the terms on screen are those of the request
    QStringList dates;     // observation dates yyyy/MM/dd, or empty when one is no date
};

// The calculator without its widgets: the terms last handed over and the
// answers computed for them, the schedule the editor published, which results
// belong to the terms on screen, and the actions. Each action takes the
// field texts and returns what the window shows; long computations go
// through the runner the window gives (a worker thread under a progress
// dialog), which can stop them.
class CalculatorController
{
public:
    using Work = std::function<void(const ProgressHook&)>;
    // Runs work with the hook it passes on; false when the user stopped it.
    using Runner = std::function<bool(const QString& label, const Work& work)>;

    explicit CalculatorController(const Calendar& calendar);
    ~CalculatorController();

    const Calendar& calendar() const { return calendar_; }
    void setSchedule(const SavedSchedule& schedule) { schedule_ = schedule; }
    const SavedSchedule& schedule() const { return schedule_; }
    // The texts with the published schedule in them.
    StructureTexts withSchedule(StructureTexts texts) const;

    // A term changed on screen: every result stops being current, also one
    // of a run still going.
    void termsChanged();

    // The market files (市场数据): loaded, shown and cleared here, read again
    // by every action that uses them when they changed on disk. A change of
    // the market is a change of terms; the hook (the window's) hears of each
    // one found on disk, as the actions find them.
    const MarketSet& market() const { return market_; }
    void setMarketChangedHook(std::function<void()> hook) { marketChanged_ = std::move(hook); }
    // Loads the file for the input, checked as the market it makes with the
    // terms on screen (a surface is fitted: through the runner); the notice
    // says why not, and then nothing changed.
    Notice loadMarket(MarketInput input, const QString& path, const CalculatorInputs& in, const Runner& run);
    void clearMarket(MarketInput input);
    // Reads the loaded files again; true (and the hook told) when one changed.
    bool refreshMarket();
    // The market of the files for the terms on screen, for showing it (a
    // surface's fit, its local volatility); refused with the message.
    const MarketBuild& marketOnScreen(const CalculatorInputs& in, const Runner& run);
    // Remembers the files in settings from now on, and loads those it
    // remembered; the notice names any that could not be loaded again.
    Notice rememberMarketIn(std::unique_ptr<QSettings> settings, const CalculatorInputs& in);
    // Whether terms were handed over (定价 or 区间求解) at all.
    bool initialised() const { return handed_.has_value(); }
    // Whether the terms handed over are those on screen (priced or Greeks run since the last change).
    bool termsCurrent() const { return initialised() && termsCurrent_; }
    // Whether the Greeks belong to the terms on screen.
    bool gridCurrent() const { return sheet_.has_value() && gridCurrent_; }
    const PricingRequest* handedRequest() const { return handed_ ? &*handed_ : nullptr; }

    // 定价, 风险指标计算, 查表, 区间求解, MC.
    PriceOutcome price(const CalculatorInputs& in, const Runner& run);
    GreeksOutcome greeks(const CalculatorInputs& in, const LookupInputs& at, const Runner& run);
    LookupOutcome lookup(const LookupInputs& at, const Runner& run);
    SolveOutcome solve(const CalculatorInputs& in, const SolveInputs& solve, const Runner& run);
    MonteCarloOutcome monteCarlo(const CalculatorInputs& in, const Runner& run);

    // 导出矩阵: the value grids' text; nullopt and no notice when nothing was
    // priced, a notice when the Greeks are stale or kept no grids.
    std::optional<std::string> matrices(Notice& notice) const;
    // 导出CSV: appends the structure record; the notice when it was not written.
    Notice saveStructure(const CalculatorInputs& in, const QString& openPrice) const;

    // The structures the panels receive: the terms handed over (压力测试,
    // 单变量-价格图), those on screen (知x求1), the priced ones while current
    // (概率分析).
    // Each checks the market files first, as every action does.
    Handover handedOver();
    Handover onScreen(const CalculatorInputs& in);
    Handover priced();

    // Trading days from start to expiry, both counted; 0 when there are none
    // (or no calendar). The tooltip naming the estimated years the span
    // reaches, empty when none.
    int maturityDays(const QDate& start, const QDate& expiry) const;
    QString estimatedYearsTip(const QDate& start, const QDate& expiry) const;

private:
    // The request the texts describe for the method, after the checks every
    // computing action makes (calendar, strict numbers, the rule set); the
    // notice (with title) when they refuse.
    std::optional<PricingRequest> requestFor(const CalculatorInputs& in, PricingMethod method, const QString& title,
                                             Notice& notice);
    // The request's market from the loaded files (none without them) and its
    // volatility shift; the reason when they cannot price it.
    QString withMarket(PricingRequest& request, const CalculatorInputs& in);
    // The calendar (trading-day mode) and every number read strictly.
    Notice unreadable(const StructureTexts& texts, const QString& title) const;
    // The texts the terms come from: the published schedule in them, and the
    // flat fields a market file replaces at stand-in values (never read).
    StructureTexts heldTexts(const StructureTexts& texts) const;
    MarketTerms marketTerms(const PDEParams& params, int yearDays) const;
    // For loading and showing: the terms on screen, with stand-ins where a
    // field cannot be read (the actions refuse those themselves).
    MarketTerms marketTermsOnScreen(const CalculatorInputs& in) const;
    QString modelWords() const;
    StructureTerms termsOf(const CalculatorInputs& in) const;
    QString errorText(double estimate, const QString& digits) const;
    QStringList displayDates() const;

    const Calendar& calendar_;
    SavedSchedule schedule_;
    MarketSet market_;
    std::function<void()> marketChanged_;
    std::unique_ptr<QSettings> settings_;  // none: nothing remembered
    bool marketBusy_ = false;              // a worker reads or builds the market files
    std::optional<PricingRequest> handed_;
    std::optional<GreekSheet> sheet_;
    bool termsCurrent_ = false;
    bool gridCurrent_ = false;
    // Counts term changes: a run's result is current only when none came
    // while it ran.
    unsigned long generation_ = 0;
};
