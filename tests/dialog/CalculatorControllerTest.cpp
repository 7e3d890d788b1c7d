// The calculator's actions without a window: field texts in, the texts and
// boxes the window shows out, checked against the engine asked directly.
#include "CalculatorController.h"

#include "AccuratePricer.h"
#include "Calendar.h"
#include "MatrixText.h"
#include "NumberText.h"
#include "ObserveSchedule.h"
#include "PriceCeiling.h"
#include "Snowball_PDE.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using Runner = CalculatorController::Runner;
using Work = CalculatorController::Work;

const Runner direct = [](const QString&, const Work& work) {
    work(ProgressHook());
    return true;
};

QString summary(const Notice& n) { return n.title + "|" + n.text; }

class Calculator : public ::testing::Test
{
protected:
    const Calendar& cal = trd_calendar();
    SavedSchedule schedule;
    CalculatorInputs in;
    LookupInputs at;
    CalculatorController c{cal};

    // The window's defaults on a year from a fixed start, M 60.
    Calculator()
    {
        schedule.start = rollForwardDate(cal, QDate(2025, 3, 3));
        schedule.expiry = rollForwardDate(cal, QDate(2026, 3, 3));
        schedule.dates = generateObserveDates(cal, schedule.start, schedule.expiry, 3, "月").dates;
        const int days = cal.count_trading_days(dateToInt(schedule.start), dateToInt(schedule.expiry), 1);
        in.texts = {"100", "200", "18", "1.5", "0", QString::number(days), "60", QString::number(days - 1), "243",
                    DayMode::Trading, "103", "16", "80", "16", "0", "0", "0"};
        in.digits = "4";
        at = {"100", schedule.start.toString("yyyyMMdd"), "243", "4", false};
    }

    void SetUp() override
    {
        ASSERT_FALSE(cal.empty());
        c.setSchedule(schedule);
    }

    // The question the default fields ask, built here from the calendar.
    PricingRequest reference(PricingMethod method = PricingMethod::DesignGrid, double sigma = 0.18) const
    {
        const int start = dateToInt(schedule.start);
        PricingRequest r;
        for (const QString& date : schedule.dates.split('_'))
            r.contract.obs_times.push_back(year_fraction(cal, start, date.toInt(), 243));
        const size_t n = r.contract.obs_times.size();
        r.contract.ko_barrier.assign(n, 103);
        r.contract.ko_coupon.assign(n, 0.16);
        r.contract.ki_barrier.assign(n, 80);
        r.contract.div_coupon = 0.16;
        r.model = {100, 200, sigma, 0.015, 0, (in.texts.T.toInt() - 1) / 243.0, 60, in.texts.N.toInt()};
        r.method = method;
        return r;
    }

    double tau() const { return year_fraction(cal, dateToInt(schedule.start), dateToInt(schedule.expiry), 243); }

    // The six outputs of a lookup of the sheet as the window shows them:
    // Theta per trading day, Vega and Rho per point.
    static std::array<QString, 6> shown(const GreeksValuation& g, int digits)
    {
        return {fixedText(g.price, digits),       fixedText(g.delta, digits),        fixedText(g.gamma, digits),
                fixedText(g.theta / 243, digits), fixedText(g.vega * 0.01, digits), fixedText(g.rho * 0.01, digits)};
    }
};

TEST_F(Calculator, PriceIsTheEnginesWithItsErrorEstimate)
{
    PriceOutcome p = c.price(in, direct);
    ASSERT_EQ(p.end, ActionEnd::Done) << summary(p.notice).toStdString();
    const PricingRequest ref = reference();
    EXPECT_EQ(p.price, QString::number(price(ref).value, 'f', 2));
    EXPECT_TRUE(p.error.isEmpty());
    EXPECT_EQ(*p.status, "计算已完成");
    EXPECT_TRUE(p.current && c.termsCurrent());  // the request handed over: the window test's fieldsReachTheEngine

    // 高精度: the accurate price with its estimate, three decimals or the digits asked for.
    in.accurate = true;
    const Valuation v = price(reference(PricingMethod::Accurate));
    for (const auto& [digits, decimals] : {std::pair<QString, int>{"4", 4}, {"2", 3}}) {
        in.digits = digits;
        p = c.price(in, direct);
        EXPECT_EQ(p.price, QString::number(v.value, 'f', 2));
        EXPECT_EQ(p.error, "±" + QString::number(*v.error_estimate, 'f', decimals));
    }
}

// Every refusal names the field or rule and hands nothing over.
struct Refused
{
    const char* name;
    std::function<void(CalculatorInputs&, SavedSchedule&)> edit;
    QString says;  // title|text, or its start
};

void PrintTo(const Refused& r, std::ostream* out) { *out << r.name; }

class PriceRefusal : public Calculator, public ::testing::WithParamInterface<Refused>
{
};

TEST_P(PriceRefusal, SaysWhyAndPricesNothing)
{
    GetParam().edit(in, schedule);
    c.setSchedule(schedule);
    const PriceOutcome p = c.price(in, direct);
    EXPECT_EQ(p.end, ActionEnd::Refused);
    EXPECT_EQ(p.notice.kind, Notice::Kind::Critical);
    EXPECT_TRUE(summary(p.notice).startsWith(GetParam().says)) << summary(p.notice).toStdString();
    EXPECT_EQ(p.price, "-");
    EXPECT_FALSE(c.initialised());
}

#define FIELD(member, text) [](CalculatorInputs& i, SavedSchedule&) { i.texts.member = text; }

INSTANTIATE_TEST_SUITE_P(
    Calculator, PriceRefusal,
    ::testing::Values(
        Refused{"first_date_on_start",
                [](CalculatorInputs&, SavedSchedule& s) {
                    s.dates = s.start.toString("yyyyMMdd") + "_" + s.expiry.toString("yyyyMMdd");
                },
                "观察日参数错误|首次敲出观察日小于起始日"},
        Refused{"last_date_not_expiry",
                [](CalculatorInputs&, SavedSchedule& s) { s.dates = s.dates.section('_', 0, 1); },
                "观察日参数错误|最后敲出观察日与到期日不符"},
        Refused{"spot_nan", FIELD(S, "nan"), "结构参数错误|“标的价格”不是有效的数字：nan"},
        Refused{"knock_in_at_spot", FIELD(ki, "100"), "结构参数错误|敲入价格应小于标的价格"},
        Refused{"knock_out_below_spot", FIELD(ko, "99_120"), "结构参数错误|敲出价格应大于标的价格"},
        Refused{"vol_letters", FIELD(vol, "abc"), "结构参数错误|“波动率(%)”不是有效的数字：abc"},
        Refused{"vol_empty", FIELD(vol, ""), "结构参数错误|“波动率(%)”为空，请输入数字"},
        Refused{"rate_overflow", FIELD(rate, "1e400"), "结构参数错误|“无风险利率(%)”不是有效的数字：1e400"},
        Refused{"list_letter", FIELD(ki, "x"), "结构参数错误|“敲入价格”不是有效的数字：x"},
        Refused{"list_empty_part", FIELD(ko, "103__101"), "结构参数错误|“敲出价格”不是有效的数字：103__101"},
        Refused{"integer_fraction", FIELD(yearDays, "243.5"), "结构参数错误|“PDE年天数”不是有效的数字：243.5"},
        Refused{"negative_vol", FIELD(vol, "-5"), "结构参数错误|波动率(%)不能为负"},
        Refused{"N_0", FIELD(N, "0"), "结构参数错误|N应不小于1"},
        Refused{"year_days_0", FIELD(yearDays, "0"), "结构参数错误|PDE年天数应大于0"},
        Refused{"N_too_coarse", FIELD(N, "5"), "结构参数错误|N过小：两个敲出观察日落在同一时间步上"},
        Refused{"accurate_vol_0",
                [](CalculatorInputs& i, SavedSchedule&) {
                    i.accurate = true;
                    i.texts.vol = "0";
                },
                "结构参数错误|高精度模式下波动率(%)应大于0"},
        // Ten working vectors of the price column alone: 8 x 10 x 2e9 bytes.
        Refused{"grid_beyond_memory", FIELD(M, "2000000000"),
                "结构参数错误|2000000000 x 242 的网格约需内存 149.0 GB，超过本机内存的一半"}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

#undef FIELD

TEST_F(Calculator, GreeksAndLookupsReadTheSheet)
{
    GreeksOutcome g = c.greeks(in, at, direct);
    EXPECT_EQ(summary(g.notice), "错误:|结构信息未初始化，请先点击【定价】");
    EXPECT_FALSE(g.outputsCleared);
    EXPECT_EQ(summary(c.lookup(at, direct).notice), "错误:|无法查找PDE");

    c.price(in, direct);
    g = c.greeks(in, at, direct);
    ASSERT_EQ(g.end, ActionEnd::Done) << summary(g.notice).toStdString();
    EXPECT_TRUE(g.exportable);
    const GreekSheet sheet = GreekSheet::compute(reference());
    EXPECT_EQ(g.lookup.values, shown(sheet.at({100, tau(), false}), 4));
    EXPECT_TRUE(g.lookup.priceTip.isEmpty());  // a lookup's spot, date, state and digits: fieldsReachTheEngine

    // The matrix export writes the grids the design's calculate() keeps.
    Snowball_PDE e;
    const PricingRequest ref = reference();
    e.set_structure(ref.contract, ref.model);
    ASSERT_TRUE(e.calculate());
    Notice notice;
    EXPECT_EQ(*c.matrices(notice), matrix_block(e.Price, "Price") + matrix_block(e.Price_KI, "Price_KI"));

    // Kept grids cost 20 doubles a node: two million price nodes do not fit.
    in.texts.M = "2000000";
    g = c.greeks(in, at, direct);
    EXPECT_TRUE(summary(g.notice).startsWith("错误:|2000000 x 242 的网格约需内存")) << summary(g.notice).toStdString();
    EXPECT_TRUE(g.outputsCleared);
    EXPECT_FALSE(c.gridCurrent());
    in.texts.M = "60";
    c.greeks(in, at, direct);

    const QString after = schedule.expiry.addDays(1).toString("yyyyMMdd");
    for (const auto& [date, says] :
         {std::pair<QString, QString>{after, QString("错误:|查表日期 %1 晚于到期日 %2")
                                                 .arg(schedule.expiry.addDays(1).toString("yyyy/MM/dd"),
                                                      schedule.expiry.toString("yyyy/MM/dd"))},
          {"2025xx01", "错误:|“今日：”不是有效的日期(yyyyMMdd)：2025xx01"}}) {
        at.date = date;
        const LookupOutcome l = c.lookup(at, direct);
        EXPECT_EQ(summary(l.notice), says);
        EXPECT_FALSE(l.shown);
    }
}

TEST_F(Calculator, AccurateGreeksSolveAtTheLookupPoint)
{
    in.accurate = true;
    c.price(in, direct);
    const QDate later = QDate::fromString(
        QString::number(cal.trading_day_after(dateToInt(schedule.start), 60)), "yyyyMMdd");
    at = {"95", later.toString("yyyyMMdd"), "243", "4", true};
    const GreeksOutcome g = c.greeks(in, at, direct);
    ASSERT_EQ(g.end, ActionEnd::Done) << summary(g.notice).toStdString();
    EXPECT_FALSE(g.exportable);
    const PricingRequest ref = reference(PricingMethod::Accurate);
    const double left = year_fraction(cal, dateToInt(later), dateToInt(schedule.expiry), 243);
    const GreeksValuation expected =
        greeks_accurate_at(ref.contract, ref.model, 243, 95, ref.model.T - left, true);
    EXPECT_EQ(g.lookup.values, shown(expected, 4));
    EXPECT_EQ(g.lookup.priceTip, "误差估计 ±" + QString::number(*expected.error_estimate, 'f', 4));

    // The expiry day has nothing left to solve: refused with the reason, "-" shown.
    at.date = schedule.expiry.toString("yyyyMMdd");
    const LookupOutcome l = c.lookup(at, direct);
    EXPECT_TRUE(summary(l.notice).startsWith("错误:|无法查找："));
    EXPECT_TRUE(l.shown);
    EXPECT_EQ(l.values[0], "-");
}

// Priced as a note, then 类型 switched to 期权: the Greeks are the option's,
// and what 概率分析 and the panels receive is the option.
TEST_F(Calculator, GreeksFollowTheFormOnScreen)
{
    c.price(in, direct);
    in.form = PayoffForm::Option;
    c.termsChanged();
    const GreeksOutcome g = c.greeks(in, at, direct);
    PricingRequest option = reference();
    option.contract.form = PayoffForm::Option;
    EXPECT_EQ(g.lookup.values, shown(GreekSheet::compute(option).at({100, tau(), false}), 4));
    EXPECT_NE(g.lookup.values, shown(GreekSheet::compute(reference()).at({100, tau(), false}), 4));
    const Handover h = c.priced();
    EXPECT_FALSE(h.notice);
    EXPECT_EQ(h.request.contract.form, PayoffForm::Option);
    EXPECT_EQ(h.dates.size(), schedule.dates.count('_') + 1);
}

TEST_F(Calculator, ResultsOfOtherTermsAreNotCurrent)
{
    c.price(in, direct);
    c.greeks(in, at, direct);
    ASSERT_TRUE(c.gridCurrent());
    c.termsChanged();
    const QString gridStale = "错误:|条款已修改，网格不再对应当前条款，请先点击【风险指标计算】";
    EXPECT_EQ(summary(c.lookup(at, direct).notice), gridStale);
    Notice notice;
    EXPECT_FALSE(c.matrices(notice));
    EXPECT_EQ(summary(notice), gridStale);
    EXPECT_EQ(summary(c.priced().notice), "错误:|条款已修改，结构信息不再对应当前条款，请先点击【定价】");
    EXPECT_FALSE(c.handedOver().current);

    // A term that changes while a run lasts: the result lands, not current.
    const Runner changing = [this](const QString&, const Work& work) {
        c.termsChanged();
        work(ProgressHook());
        return true;
    };
    const PriceOutcome p = c.price(in, changing);
    EXPECT_EQ(p.end, ActionEnd::Done);
    EXPECT_FALSE(p.current || c.termsCurrent());
    c.greeks(in, at, changing);
    EXPECT_FALSE(c.gridCurrent());
}

TEST_F(Calculator, CancelledRunsChangeNothing)
{
    const Runner stopped = [](const QString&, const Work& work) {
        work([](double) { return false; });
        return false;
    };
    const PriceOutcome p = c.price(in, stopped);
    EXPECT_EQ(p.end, ActionEnd::Cancelled);
    EXPECT_EQ(*p.status, "");
    EXPECT_FALSE(c.initialised());
    c.price(in, direct);
    const GreeksOutcome g = c.greeks(in, at, stopped);
    EXPECT_EQ(g.end, ActionEnd::Cancelled);
    EXPECT_FALSE(g.outputsCleared || g.notice || c.gridCurrent());
    EXPECT_EQ(c.solve(in, {0, "100", "0.1", "0.4"}, stopped).end, ActionEnd::Cancelled);
}

TEST_F(Calculator, SolvesVolatilityAndCoupons)
{
    // The volatility that gives the price of 22 %.
    const double target = price(reference(PricingMethod::DesignGrid, 0.22)).value;
    SolveOutcome s = c.solve(in, {0, QString::number(target, 'f', 4), "0.1", "0.4"}, direct);
    ASSERT_EQ(s.end, ActionEnd::Done) << summary(s.notice).toStdString();
    EXPECT_EQ(*s.status, "计算已完成");
    EXPECT_LT(std::fabs(s.solution.toDouble() - 22), 1.0);
    EXPECT_EQ(s.solution.section('.', 1).size(), 1);
    EXPECT_EQ(c.handedRequest()->model.sigma, 0.18);  // the terms handed over stay as typed

    // The coupons that make the note worth par.
    s = c.solve(in, {1, "100", "0", "0.5"}, direct);
    ASSERT_EQ(s.end, ActionEnd::Done);
    PricingRequest par = reference();
    par.contract.div_coupon = s.solution.toDouble() / 100;
    par.contract.ko_coupon.assign(par.contract.ko_coupon.size(), par.contract.div_coupon);
    EXPECT_LT(std::fabs(price(par).value - 100), 0.5);

    const QString hint = "\n建议通过'知x求1'进行单变量图分析";
    struct Case { SolveInputs solve; QString says; QString status; };
    const Case cases[] = {
        {{1, "1000", "0", "0.5"}, "提示：在指定区间未能找到合适参数|求解区间非单调，或目标不在区间内" + hint, "计算已完成"},
        // Negative volatilities never price, so no midpoint does.
        {{0, "100", "-1", "-0.5"}, "提示：在指定区间未能找到合适参数|未在限定次数内找到解" + hint, "计算已完成"},
        {{2, "100", "0", "1"}, "提示:|请点击要计算的参数前的单选按钮！", ""},
    };
    for (const Case& k : cases) {
        s = c.solve(in, k.solve, direct);
        EXPECT_EQ(summary(s.notice), k.says);
        EXPECT_EQ(s.notice.kind, Notice::Kind::Information);
        EXPECT_EQ(*s.status, k.status);
        EXPECT_TRUE(s.solution.isEmpty());
    }
    // Only the spot is checked before the interval is read.
    in.texts.S = "nan";
    EXPECT_EQ(summary(c.solve(in, {0, "100", "0", "1"}, direct).notice), "结构参数错误：|无效的标的价格");
}

// Far barriers: below about 15 % volatility nothing knocks out or in, so the
// price is flat there, and the bisection's first two midpoints price alike
// while the target is still beyond the tolerance.
TEST_F(Calculator, SolveStallsWherePriceIsFlat)
{
    in.texts.ko = "150";
    in.texts.ki = "1";
    PricingRequest r = reference();
    r.contract.ko_barrier.assign(r.contract.ko_barrier.size(), 150);
    r.contract.ki_barrier.assign(r.contract.ki_barrier.size(), 1);
    auto at = [&r](double sigma) {
        r.model.sigma = sigma;
        return price(r).value;
    };
    const double flat = at(0), low = at(0.21), second = at(0.1575);
    ASSERT_TRUE(flat - low > 0.08 && flat - second < 0.03) << flat << " " << second << " " << low;
    const SolveOutcome s = c.solve(in, {0, QString::number(low + 0.2 * (flat - low), 'f', 6), "0", "0.21"}, direct);
    EXPECT_EQ(summary(s.notice), "未获得有效解|请提高精度(增大PDE中M)再试");
    EXPECT_EQ(s.notice.kind, Notice::Kind::Critical);
    EXPECT_EQ(*s.status, "");
}

TEST_F(Calculator, MonteCarloChecks)
{
    // 高精度: the reference Monte Carlo, the accurate price within four
    // standard errors. (The grid price's check is the window's test.)
    in.accurate = true;
    const MonteCarloOutcome m = c.monteCarlo(in, direct);
    ASSERT_EQ(m.end, ActionEnd::Done) << summary(m.notice).toStdString();
    EXPECT_TRUE(m.lookupSpot.isEmpty());
    const double se = m.error.mid(1).toDouble();
    EXPECT_TRUE(m.error.startsWith("±") && se > 0 && se < 0.05);
    EXPECT_LT(std::fabs(m.price.toDouble() - price(reference(PricingMethod::Accurate)).value), 4 * se + 0.011);
    EXPECT_EQ(m.source, "参考蒙特卡洛：400000 条路径，误差为标准误");
}

// At 300 % volatility twice the spot is reached often: the price is given,
// and 价格上限 gets the safer ceiling and the M that keeps the price step.
TEST_F(Calculator, LowPriceCeilingNamed)
{
    EXPECT_TRUE(c.price(in, direct).ceilingTip.isEmpty());
    in.texts.vol = "300";
    const PriceOutcome p = c.price(in, direct);
    EXPECT_EQ(p.end, ActionEnd::Done);
    const double T = reference().model.T;
    const double chance = ceiling_reach_chance(100, 200, 3.0, 0.015, 0, T);
    const double safer = safe_price_ceiling(100, 3.0, 0.015, 0, T);
    EXPECT_EQ(p.ceilingTip, QString("价格上限 200 偏低：在此波动率和期限下，标的在到期前触及上限的概率约为 %1%，"
                                    "价格可能失真。建议价格上限取 %2（M 取 %3 以保持价格步长）。")
                                .arg(QString::number(100 * chance, 'g', 2), QString::number(safer, 'g', 6),
                                     QString::number(std::ceil(60 * safer / 200))));
    in.accurate = true;  // its grid has no fixed top
    EXPECT_TRUE(c.price(in, direct).ceilingTip.isEmpty());
}

// The years the calendar only estimates, named for any span that reaches them.
class EstimatedYears : public Calculator,
                       public ::testing::WithParamInterface<std::tuple<QDate, QDate, const char*>>
{
};

TEST_P(EstimatedYears, NamedInTheTooltip)
{
    const auto& [start, expiry, years] = GetParam();
    const QString tail = "交易日为估算，官方休市安排公布后请更新交易日历";
    EXPECT_EQ(c.estimatedYearsTip(start, expiry), *years ? QString::fromUtf8(years) + tail : QString());
}

INSTANTIATE_TEST_SUITE_P(
    Calculator, EstimatedYears,
    ::testing::Values(std::make_tuple(QDate(2025, 1, 6), QDate(2026, 6, 30), ""),
                      std::make_tuple(QDate(2026, 3, 2), QDate(2027, 3, 1), "2027年"),
                      std::make_tuple(QDate(2026, 12, 1), QDate(2029, 6, 29), "2027年、2028年、2029年"),
                      std::make_tuple(QDate(2030, 1, 2), QDate(2031, 1, 2), "2030年、2031年"),
                      std::make_tuple(QDate(2026, 1, 5), QDate(2026, 12, 31), "")));

TEST_F(Calculator, WithoutACalendarOnlyCalendarDaysPrice)
{
    const Calendar none(7);
    CalculatorController bare(none);
    bare.setSchedule(schedule);
    const QString noCalendar = "无法加载交易日历(trade_calendar.csv)，无法按交易日计算观察日";  // the price's: the window test's
    EXPECT_EQ(summary(bare.solve(in, {0, "100", "0", "1"}, direct).notice), "结构参数错误：|" + noCalendar);
    EXPECT_EQ(bare.maturityDays(schedule.start, schedule.expiry), 0);

    // Calendar days: 368 days are 368/365 years.
    SavedSchedule s;
    s.start = QDate(2025, 1, 2);
    s.expiry = QDate(2026, 1, 5);
    s.dates = "20250402_20250702_20251009_20260105";
    bare.setSchedule(s);
    in.texts.dayMode = DayMode::Calendar;
    in.texts.T = "368";
    const PriceOutcome p = bare.price(in, direct);
    ASSERT_EQ(p.end, ActionEnd::Done) << summary(p.notice).toStdString();
    EXPECT_EQ(bare.handedRequest()->model.T, 368.0 / 365);
    EXPECT_EQ(bare.handedRequest()->contract.obs_times.back(), 368.0 / 365);
}

// 导出CSV writes the terms on screen as a record (appending is the record's
// own test); a schedule longer than its column is refused, not cut.
TEST_F(Calculator, StructureRecordAppended)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    EXPECT_FALSE(c.saveStructure(in, "100"));
    QFile file(home.path() + "/autocall.csv");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    file.close();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], "0,0,,,AC,510050,1000000.000000,100.000000,103.000000,80.000000,16.000000,16.000000,"
                        "0.000000,0.000000,0.000000,0.000000,0," +
                            schedule.start.toString("yyyyMMdd") + "," + schedule.expiry.toString("yyyyMMdd") +
                            ",18.000000," + schedule.dates);

    SavedSchedule tooLong = schedule;
    tooLong.dates = QStringList(QVector<QString>(57, "20250303").toList()).join('_');
    c.setSchedule(tooLong);
    EXPECT_EQ(c.saveStructure(in, "100").kind, Notice::Kind::Warning);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    EXPECT_EQ(QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts).size(), 2);
}

}  // namespace
