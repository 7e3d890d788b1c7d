#include "CalculatorController.h"

#include "AppLogger.h"
#include "Calendar.h"
#include "MatrixText.h"
#include "MonteCarlo.h"
#include "NumberText.h"
#include "ObserveSchedule.h"
#include "ParameterSearch.h"
#include "PlatformPath.h"
#include "PriceCeiling.h"
#include "RequestMarket.h"
#include "StrictFields.h"
#include "StructureDescription.h"
#include "StructureRecord.h"
#include "TermTable.h"

#include <QSettings>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const char* const kNoCalendar = "无法加载交易日历(trade_calendar.csv)，无法按交易日计算观察日";
const char* const kNotInitialised = "结构信息未初始化，请先点击【定价】";
const char* const kGridStale = "条款已修改，网格不再对应当前条款，请先点击【风险指标计算】";
const char* const kTermsStale = "条款已修改，结构信息不再对应当前条款，请先点击【定价】";
const char* const kSolveHint = "\n建议通过'知x求1'进行单变量图分析";
const char* const kComputing = "正在计算...";
const char* const kComputed = "计算已完成";

QString u8(const char* text) { return QString::fromUtf8(text); }

// The search's bisection steps on the program's console, as always.
void consoleTrace(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

PricingMethod methodOf(const CalculatorInputs& in)
{
    return in.accurate ? PricingMethod::Accurate : PricingMethod::DesignGrid;
}

// Runs one computation; false when the user stopped it or the answer says so.
bool ran(const CalculatorController::Runner& run, const QString& label, const CalculatorController::Work& work,
         const Answer& answer)
{
    return run(label, work) && answer.outcome != Outcome::Cancelled;
}

}  // namespace

QString noCalendarText() { return u8(kNoCalendar); }

CalculatorController::CalculatorController(const Calendar& calendar) : calendar_(calendar), market_(calendar) {}

CalculatorController::~CalculatorController() = default;

StructureTexts CalculatorController::withSchedule(StructureTexts t) const
{
    t.observeDates = schedule_.dates;
    t.startDate = schedule_.start.toString(QStringLiteral("yyyyMMdd"));
    t.expiryDate = schedule_.expiry.toString(QStringLiteral("yyyyMMdd"));
    return t;
}

void CalculatorController::termsChanged()
{
    ++generation_;
    termsCurrent_ = false;
    gridCurrent_ = false;
}

StructureTexts CalculatorController::heldTexts(const StructureTexts& texts) const
{
    StructureTexts t = withSchedule(texts);
    // A field a market file replaces is not read: what it holds can neither
    // refuse nor move a price.
    if (market_.replacing(FlatField::Rate))
        t.rate = QStringLiteral("0");
    if (market_.replacing(FlatField::Dividend))
        t.q = QStringLiteral("0");
    if (market_.replacing(FlatField::Volatility))
        t.vol = QStringLiteral("20");
    return t;
}

StructureTerms CalculatorController::termsOf(const CalculatorInputs& in) const
{
    return structureTerms(heldTexts(in.texts), calendar_);
}

Notice CalculatorController::unreadable(const StructureTexts& texts, const QString& title) const
{
    // Trading-day times need the calendar; without it every time would be NaN.
    if (texts.dayMode == DayMode::Trading && calendar_.empty())
        return Notice::critical(title, u8(kNoCalendar));
    QString error;
    if (!checkStructureTexts(texts, error))
        return Notice::critical(title, error);
    return Notice();
}

std::optional<PricingRequest> CalculatorController::requestFor(const CalculatorInputs& in, PricingMethod method,
                                                               const QString& title, Notice& notice)
{
    const StructureTexts texts = heldTexts(in.texts);
    if ((notice = unreadable(texts, title)))
        return std::nullopt;
    const StructureTerms terms = structureTerms(texts, calendar_);
    const int yearDays = fieldInt(texts.yearDays);
    PricingRequest request = pricingRequest(terms, in.form, yearDays, method);
    refreshMarket();
    QString why;
    if (!terms.obsTimesOk)
        why = u8(kNoCalendar);
    else if (yearDays <= 0)
        why = QStringLiteral("PDE年天数应大于0");
    else
        why = refusalText(pricing_refusal(request.contract, request.model, request.year_days, request.method,
                                          request.monte_carlo, market_.any()));
    if (why.isEmpty())
        why = withMarket(request, in);
    if (why.isEmpty())
        return request;
    notice = Notice::critical(title, why);
    return std::nullopt;
}

QString CalculatorController::withMarket(PricingRequest& request, const CalculatorInputs& in)
{
    if (!market_.any())
        return QString();
    double shift = 0.0;
    QString error;
    if (!readNumberField(QStringLiteral("波动率平移(%)"), in.volShift, shift, error))
        return error;
    const MarketBuild& built = market_.build(marketTerms(request.model, request.year_days));
    if (!built.ok())
        return QStringLiteral("市场数据无法使用：\n") + built.message;
    request.market = std::make_shared<const MarketModel>(*built.model);
    request.volatility_shift = shift / 100.0;
    // The shift is checked as it is applied, not by the rule set.
    return refusalText(request_market(request).refusal);
}

MarketTerms CalculatorController::marketTerms(const PDEParams& params, int yearDays) const
{
    return {params, dateToInt(schedule_.start), yearDays};
}

MarketTerms CalculatorController::marketTermsOnScreen(const CalculatorInputs& in) const
{
    const StructureTerms terms = termsOf(in);
    PDEParams p = terms.params;
    // Stand-ins only let a file be checked and shown; no price is made with them.
    if (!(p.S0 > 0.0) || !std::isfinite(p.S0))
        p.S0 = 100.0;
    if (!(p.sigma > 0.0) || !std::isfinite(p.sigma))
        p.sigma = 0.2;
    if (!std::isfinite(p.r))
        p.r = 0.0;
    if (!std::isfinite(p.q))
        p.q = 0.0;
    const int yearDays = fieldInt(in.texts.yearDays);
    return marketTerms(p, yearDays > 0 ? yearDays : 243);
}

QString CalculatorController::modelWords() const
{
    return market_.any() ? modelText(market_.lastBuild(), market_) : QString();
}

// ---- 市场数据 ---------------------------------------------------------------------

Notice CalculatorController::loadMarket(MarketInput input, const QString& path, const CalculatorInputs& in,
                                        const Runner& run)
{
    const MarketTerms terms = marketTermsOnScreen(in);
    MarketSet::Loading loading;
    // Checked on the worker (a surface is fitted and repriced), taken here.
    marketBusy_ = true;
    const bool finished = run(QStringLiteral("正在载入市场数据..."),
                              [&](const ProgressHook&) { loading = market_.check(input, path, terms); });
    marketBusy_ = false;
    if (!finished)
        return Notice();  // stopped: nothing is loaded
    if (!loading.message.isEmpty())
        return Notice::critical(QStringLiteral("市场数据错误"),
                                QStringLiteral("无法载入%1：\n%2").arg(u8(marketInputInfo(input).name), loading.message));
    market_.take(std::move(loading));
    termsChanged();
    if (settings_)
        market_.remember(*settings_);
    AppLogger::instance().log(AppLogger::Info, "Market file loaded: %s", path.toUtf8().constData());
    return Notice();
}

void CalculatorController::clearMarket(MarketInput input)
{
    if (!market_.file(input))
        return;
    market_.clear(input);
    termsChanged();
    if (settings_)
        market_.remember(*settings_);
}

bool CalculatorController::refreshMarket()
{
    // Not while a worker reads the set; the action that follows checks again.
    if (marketBusy_ || !market_.refresh())
        return false;
    AppLogger::instance().log(AppLogger::Info, "A market file changed on disk: read again");
    termsChanged();
    if (marketChanged_)
        marketChanged_();
    return true;
}

const MarketBuild& CalculatorController::marketOnScreen(const CalculatorInputs& in, const Runner& run)
{
    refreshMarket();
    const MarketTerms terms = marketTermsOnScreen(in);
    // A surface is fitted (once per content and terms): on the worker. Stopped
    // or not, the build ends, and is shown.
    marketBusy_ = true;
    run(QStringLiteral("正在拟合市场数据..."), [&](const ProgressHook&) { market_.build(terms); });
    marketBusy_ = false;
    return market_.build(terms);
}

Notice CalculatorController::rememberMarketIn(std::unique_ptr<QSettings> settings, const CalculatorInputs& in)
{
    settings_ = std::move(settings);
    if (!settings_)
        return Notice();
    const QStringList refused = market_.restore(*settings_, marketTermsOnScreen(in));
    if (market_.any() || !refused.isEmpty())
        termsChanged();
    if (refused.isEmpty())
        return Notice();
    return Notice::warning(QStringLiteral("市场数据"), QStringLiteral("上次使用的市场数据文件未能再次载入，已不再使用：\n") +
                                                      refused.join(QStringLiteral("\n")));
}

QString CalculatorController::errorText(double estimate, const QString& digitsText) const
{
    // Three decimals, or more when the digits field asks for them.
    bool ok = false;
    const int digits = digitsText.trimmed().toInt(&ok);
    const int decimals = ok && digits > 3 && digits <= 12 ? digits : 3;
    return QStringLiteral("±") + QString::number(estimate, 'f', decimals);
}

// ---- 定价 ---------------------------------------------------------------------

PriceOutcome CalculatorController::price(const CalculatorInputs& in, const Runner& run)
{
    PriceOutcome out;
    out.price = QStringLiteral("-");
    const QString title = QStringLiteral("结构参数错误");
    const StructureTexts texts = heldTexts(in.texts);
    QString error;
    if (texts.dayMode == DayMode::Trading && calendar_.empty()) {
        out.notice = Notice::critical(QStringLiteral("观察日参数错误"), u8(kNoCalendar));
        return out;
    }
    if (!validateObserveDates(texts, error)) {
        out.notice = Notice::critical(QStringLiteral("观察日参数错误"), error);
        return out;
    }
    if (!checkStructureTexts(texts, error) || !validateStructure(texts, false, error)) {
        out.notice = Notice::critical(title, error);
        return out;
    }
    const std::optional<PricingRequest> request = requestFor(in, methodOf(in), title, out.notice);
    if (!request)
        return out;
    const QString memory = gridMemoryProblem(*request, GridUse::PriceOnly);
    if (!memory.isEmpty()) {
        out.notice = Notice::critical(title, memory);
        return out;
    }

    const unsigned long generation = generation_;
    Valuation v;
    PricingRequest work = *request;
    if (!ran(run, QStringLiteral("正在定价..."), [&](const ProgressHook& hook) {
            work.progress = hook;
            v = ::price(work);
        }, v)) {
        out.end = ActionEnd::Cancelled;  // what was shown stays as it was
        out.status = QString();
        return out;
    }
    out.status = QString();
    if (std::isnan(v.value)) {
        out.notice = Notice::critical(title, QStringLiteral("无法对结构进行定价（原因见日志）"));
        return out;
    }
    // The terms go over; the Greeks of the last run stay (and stay stale).
    handed_ = *request;
    termsCurrent_ = out.current = generation == generation_;
    out.end = ActionEnd::Done;
    out.price = QString::number(v.value, 'f', 2);
    if (v.error_estimate)
        out.error = errorText(*v.error_estimate, in.digits);
    out.status = u8(kComputed);
    out.model = modelWords();

    const PDEParams& x = request->model;
    const double chance = ceiling_reach_chance(*request);
    if (chance > kCeilingReachLimit) {
        const double safer = safe_price_ceiling(x.S0, x.sigma, x.r, x.q, x.T);
        const double keepStepM = std::ceil(x.M * safer / x.S_max);
        out.ceilingTip = QStringLiteral("价格上限 %1 偏低：在此波动率和期限下，标的在到期前触及上限的概率约为 %2%，"
                                        "价格可能失真。建议价格上限取 %3（M 取 %4 以保持价格步长）。")
                             .arg(QString::number(x.S_max, 'g', 6), QString::number(100.0 * chance, 'g', 2),
                                  QString::number(safer, 'g', 6), QString::number(keepStepM, 'g', 10));
    }
    return out;
}

// ---- 风险指标计算 and 查表 ----------------------------------------------------

GreeksOutcome CalculatorController::greeks(const CalculatorInputs& in, const LookupInputs& at, const Runner& run)
{
    GreeksOutcome out;
    const QString title = QStringLiteral("错误:");
    if (!initialised()) {
        out.notice = Notice::critical(title, u8(kNotInitialised));
        return out;
    }
    out.outputsCleared = true;
    const std::optional<PricingRequest> request = requestFor(in, methodOf(in), title, out.notice);
    if (request) {
        const QString memory = gridMemoryProblem(*request, GridUse::KeepGrids);
        if (!memory.isEmpty())
            out.notice = Notice::critical(title, memory);
    }
    if (out.notice) {
        gridCurrent_ = false;
        return out;
    }

    const unsigned long generation = generation_;
    std::optional<GreekSheet> sheet;
    Answer status;
    PricingRequest work = *request;
    if (!run(QStringLiteral("正在计算风险指标..."), [&](const ProgressHook& hook) {
            work.progress = hook;
            sheet = GreekSheet::compute(work);
            status = sheet->status();
        }) || status.outcome == Outcome::Cancelled) {
        out.end = ActionEnd::Cancelled;  // the previous Greeks and outputs stay
        out.outputsCleared = false;
        return out;
    }
    if (!status.ok()) {
        out.notice = Notice::critical(title, QStringLiteral("无法对结构进行定价"));
        gridCurrent_ = false;
        return out;
    }
    // The Greeks describe the terms on screen, form included: they are now
    // what the panels and 概率分析 receive.
    sheet_ = std::move(sheet);
    handed_ = *request;
    termsCurrent_ = gridCurrent_ = generation == generation_;
    out.end = ActionEnd::Done;
    out.outputsCleared = false;
    out.exportable = sheet_->price_grid(false) != nullptr;
    out.lookup = lookup(at, run);

    const char* mode = mode_label(request->method);
    const std::string description = structure_description(request->contract, request->model);
    if (mode)
        AppLogger::instance().log(AppLogger::Info, "%s %s calc %s", in.structId.toUtf8().constData(), mode,
                                  description.c_str());
    else
        AppLogger::instance().log(AppLogger::Info, "%s calc %s", in.structId.toUtf8().constData(),
                                  description.c_str());
    return out;
}

LookupOutcome CalculatorController::lookup(const LookupInputs& at, const Runner& run)
{
    LookupOutcome out;
    const QString title = QStringLiteral("错误:");
    if (!sheet_) {
        out.notice = Notice::critical(title, QStringLiteral("无法查找PDE"));
        return out;
    }
    refreshMarket();  // the Greeks hold the market they were computed in: a changed file makes them stale
    if (!gridCurrent_) {
        out.notice = Notice::critical(title, u8(kGridStale));
        return out;
    }
    QString error;
    double S = 0, Y = 0;
    int digits = 0;
    if (!readNumberField(QStringLiteral("今价："), at.spot, S, error)
        || !readNumberField(QStringLiteral("PDE年天数"), at.yearDays, Y, error)
        || !readIntField(QStringLiteral("小数位数:"), at.digits, digits, error)) {
        out.notice = Notice::critical(title, error);
        return out;
    }
    if (digits < 0 || digits > 12) {
        out.notice = Notice::critical(title, QStringLiteral("“小数位数:”应在0到12之间"));
        return out;
    }
    const QDate day = QDate::fromString(at.date.trimmed(), QStringLiteral("yyyyMMdd"));
    if (!day.isValid()) {
        out.notice = Notice::critical(title, QStringLiteral("“今日：”不是有效的日期(yyyyMMdd)：%1").arg(at.date));
        return out;
    }
    // The Greeks end at the expiry of the schedule they were computed for.
    const QDate expiry = schedule_.expiry;
    if (day > expiry) {
        out.notice = Notice::critical(title, QStringLiteral("查表日期 %1 晚于到期日 %2")
                                                 .arg(day.toString(QStringLiteral("yyyy/MM/dd")),
                                                      expiry.toString(QStringLiteral("yyyy/MM/dd"))));
        return out;
    }
    const LookupPoint point{S, year_fraction(calendar_, dateToInt(day), dateToInt(expiry), Y), at.knockedIn};

    GreeksValuation g;
    const GreekSheet& sheet = *sheet_;
    if (!ran(run, QStringLiteral("正在计算风险指标..."), [&](const ProgressHook& hook) { g = sheet.at(point, hook); }, g)) {
        out.end = ActionEnd::Cancelled;  // the outputs stay as they were
        return out;
    }
    out.shown = true;
    if (!g.ok()) {
        out.notice = Notice::critical(title, QStringLiteral("无法查找：") + QString::fromStdString(g.error));
        out.values.fill(QStringLiteral("-"));
        return out;
    }
    out.end = ActionEnd::Done;
    const LookupGreeks shown = lookupGreeks(g, Y);
    out.values = {fixedText(shown.price, digits), fixedText(shown.delta, digits), fixedText(shown.gamma, digits),
                  fixedText(shown.theta, digits), fixedText(shown.vega, digits),  fixedText(shown.rho, digits)};
    QStringList tip;
    if (g.error_estimate)
        tip << QStringLiteral("误差估计 ") + errorText(*g.error_estimate, at.digits);
    if (handed_->market)
        tip << modelWords();
    out.priceTip = tip.join(QLatin1Char('\n'));
    return out;
}

// ---- 区间求解 -----------------------------------------------------------------

SolveOutcome CalculatorController::solve(const CalculatorInputs& in, const SolveInputs& s, const Runner& run)
{
    SolveOutcome out;
    const QString title = QStringLiteral("结构参数错误：");
    const StructureTexts texts = heldTexts(in.texts);
    QString error;
    if (!validateStructure(texts, true, error)) {
        out.notice = Notice::critical(title, error);
        return out;
    }
    if ((out.notice = unreadable(texts, title)))
        return out;
    double target = 0, lo = 0, hi = 0;
    if (!readNumberField(QStringLiteral("目标值:"), s.value, target, error)
        || !readNumberField(QStringLiteral("区间开始:"), s.start, lo, error)
        || !readNumberField(QStringLiteral("区间结束:"), s.end, hi, error)) {
        out.notice = Notice::critical(title, error);
        return out;
    }
    out.status = QString();
    std::optional<PricingRequest> request = requestFor(in, methodOf(in), title, out.notice);
    if (request) {
        const QString memory = gridMemoryProblem(*request, GridUse::PriceOnly);
        if (!memory.isEmpty())
            out.notice = Notice::critical(title, memory);
    }
    if (out.notice)
        return out;
    // The search prices its own copies: the terms handed over stay as typed.
    handed_ = *request;
    if (s.target != 0 && s.target != 1) {
        out.notice = Notice::information(QStringLiteral("提示:"), QStringLiteral("请点击要计算的参数前的单选按钮！"));
        return out;
    }
    const Param term = s.target == 0 ? Param::Sigma : Param::CouponAndDiv;

    SearchResult found;
    SearchSettings settings;
    settings.trace = consoleTrace;
    if (!ran(run, u8(kComputing), [&](const ProgressHook& hook) {
            request->progress = hook;
            found = solve_term(*request, term, target, lo, hi, settings);
        }, found)) {
        out.end = ActionEnd::Cancelled;
        return out;
    }
    if (found.status == SearchStatus::Found) {
        out.end = ActionEnd::Done;
        out.solution = QString::number(found.value * 100, 'f', 1);
        out.volatilityShift = request->market && term == Param::Sigma;
        out.status = u8(kComputed);
        return out;
    }
    const SearchStatusText message = searchStatusText(found.status);
    if (message.critical) {
        out.notice = Notice::critical(message.title, message.text);
        return out;
    }
    out.notice = Notice::information(message.title, message.text + u8(kSolveHint));
    out.status = u8(kComputed);
    return out;
}

// ---- MC -----------------------------------------------------------------------

MonteCarloOutcome CalculatorController::monteCarlo(const CalculatorInputs& in, const Runner& run)
{
    MonteCarloOutcome out;
    const QString title = QStringLiteral("错误:");
    const QString label = QStringLiteral("正在进行蒙特卡洛模拟...");
    if ((out.notice = unreadable(heldTexts(in.texts), title)))
        return out;
    refreshMarket();
    if (!in.accurate && market_.any()) {
        // The design's check knows no market: the rule set says what to do.
        const StructureTerms terms = termsOf(in);
        out.notice = Notice::critical(title, refusalText(pricing_refusal(terms.contract, terms.params, 0,
                                                                         PricingMethod::DesignGrid,
                                                                         MonteCarloSettings(), true)));
        return out;
    }
    if (!in.accurate) {
        // The design's cross-check prices whatever the fields say, in percent of the notional.
        const StructureTerms terms = termsOf(in);
        double value = std::nan("");
        if (!run(label, [&](const ProgressHook&) { value = price_monte_carlo(terms.contract, terms.params, 252, 50000); })) {
            out.end = ActionEnd::Cancelled;
            return out;
        }
        out.end = ActionEnd::Done;
        out.lookupSpot = QString::number(value, 'g', 6);
        return out;
    }
    // With 高精度 the contract's own monitoring: a check of the accurate price
    // within its standard error.
    std::optional<PricingRequest> request = requestFor(in, PricingMethod::ReferenceMonteCarlo, title, out.notice);
    if (!request)
        return out;
    request->monte_carlo.paths = 400000;
    Valuation v;
    if (!ran(run, label, [&](const ProgressHook& hook) {
            request->progress = hook;
            v = ::price(*request);
        }, v)) {
        out.end = ActionEnd::Cancelled;
        return out;
    }
    if (!v.ok() || !v.error_estimate) {
        out.notice = Notice::critical(title, QStringLiteral("无法进行蒙特卡洛定价：") + QString::fromStdString(v.error));
        return out;
    }
    out.end = ActionEnd::Done;
    out.price = QString::number(v.value, 'f', 2);
    out.error = errorText(*v.error_estimate, in.digits);
    out.source = QStringLiteral("参考蒙特卡洛：%1 条路径，误差为标准误").arg(request->monte_carlo.paths);
    if (request->market)
        out.source += QLatin1Char('\n') + modelWords();
    return out;
}

// ---- Files --------------------------------------------------------------------

std::optional<std::string> CalculatorController::matrices(Notice& notice) const
{
    if (!initialised())
        return std::nullopt;
    const NEWMAT::Matrix* price = sheet_ ? sheet_->price_grid(false) : nullptr;
    if (!gridCurrent() || !price) {
        notice = Notice::critical(QStringLiteral("错误:"), u8(kGridStale));
        return std::nullopt;
    }
    return matrices_text(*price, *sheet_->price_grid(true));
}

Notice CalculatorController::saveStructure(const CalculatorInputs& in, const QString& openPrice) const
{
    const StructureTexts& t = in.texts;
    StructureRecordFields fields;
    fields.openPrice = fieldNumber(openPrice);
    fields.knockOut = fieldNumber(t.ko);
    fields.knockIn = fieldNumber(t.ki);
    fields.couponOut = fieldNumber(t.coupon);
    fields.couponDiv = fieldNumber(t.divCoupon);
    fields.callStrike = fieldNumber(t.strike);
    fields.partRate = fieldNumber(t.participation);
    fields.dateBegin = dateToInt(schedule_.start);
    fields.dateEnd = dateToInt(schedule_.expiry);
    fields.volatility = fieldNumber(t.vol);
    fields.observe = schedule_.dates;
    if (!observeFitsRecord(fields.observe))
        return Notice::warning(QStringLiteral("请注意："),
                               QStringLiteral("观察日文本超过%1个字符，无法写入CSV文件，未保存。").arg(kObserveMaxLength));
    const QString path = platformPath(QStringLiteral("e://autocall.csv"));
    return notWritten(path, appendStructureRecordTo(path, fields));
}

Notice notWritten(const QString& path, const files::WriteStatus& written)
{
    if (written)
        return Notice();
    QString text = QStringLiteral("无法写入文件 %1，未保存。").arg(path);
    if (!written.message.isEmpty())
        text += QStringLiteral("\n") + written.message;
    return Notice::warning(QStringLiteral("请注意："), text);
}

// ---- Hand-overs ---------------------------------------------------------------

QStringList CalculatorController::displayDates() const
{
    QStringList shown;
    for (const QString& text : schedule_.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("yyyyMMdd"));
        if (!date.isValid())
            return QStringList();
        shown << date.toString(QStringLiteral("yyyy/MM/dd"));
    }
    return shown;
}

Handover CalculatorController::handedOver()
{
    refreshMarket();  // a changed file makes the terms handed over stale
    Handover h;
    if (!initialised()) {
        h.notice = Notice::critical(QStringLiteral("错误:"), u8(kNotInitialised));
        return h;
    }
    h.request = *handed_;
    h.current = termsCurrent_;
    h.dates = displayDates();
    return h;
}

Handover CalculatorController::onScreen(const CalculatorInputs& in)
{
    Handover h = handedOver();
    if (h.notice)
        return h;
    // No rule is asked here: what the scan cannot price, it says so itself.
    h.request = pricingRequest(termsOf(in), in.form, fieldInt(in.texts.yearDays), methodOf(in));
    const QString why = withMarket(h.request, in);
    if (!why.isEmpty())
        h.notice = Notice::critical(QStringLiteral("错误:"), why);
    h.current = true;
    return h;
}

Handover CalculatorController::priced()
{
    Handover h = handedOver();
    if (!h.notice && !h.current)
        h.notice = Notice::critical(QStringLiteral("错误:"), u8(kTermsStale));
    return h;
}

// ---- Dates --------------------------------------------------------------------

int CalculatorController::maturityDays(const QDate& start, const QDate& expiry) const
{
    // No calendar (-1) or no day between the dates: no maturity to show.
    return std::max(0, calendar_.count_trading_days(dateToInt(start), dateToInt(expiry), 1));
}

QString CalculatorController::estimatedYearsTip(const QDate& start, const QDate& expiry) const
{
    QStringList years;
    if (start.isValid() && expiry.isValid()) {
        const int from = std::min(start.year(), expiry.year()), to = std::max(start.year(), expiry.year());
        for (int year : calendar_.estimated_years())
            if (year >= from && year <= to)
                years << QStringLiteral("%1年").arg(year);
    }
    return years.isEmpty() ? QString()
                           : QStringLiteral("%1交易日为估算，官方休市安排公布后请更新交易日历")
                                 .arg(years.join(QStringLiteral("、")));
}
