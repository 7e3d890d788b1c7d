#include "TermTable.h"

const std::array<TermSpec, kParamCount>& termTable()
{
    static const std::array<TermSpec, kParamCount> table = {{
        {Param::KoBarrier, "敲出价格", false, 100, 110, 5},
        {Param::KiBarrier, "敲入价格", false, 80, 90, 1},
        {Param::KoCoupon, "敲出票息", true, 0, 0.5, 0.05},
        {Param::Sigma, "波动率", true, 0, 1, 0.05},
        {Param::DivCoupon, "红利票息", true, 0, 0.3, 0.05},
        {Param::CouponAndDiv, "红利&敲出票息", true, 0, 0.3, 0.05},
    }};
    return table;
}

const TermSpec& termSpec(Param id) { return termTable()[static_cast<std::size_t>(id)]; }

const TermSpec& volatilityShiftSpec()
{
    static const TermSpec shift{Param::Sigma, "波动率", true, -0.05, 0.05, 0.01};
    return shift;
}

const TermSpec& termDefaults(Param id, bool market)
{
    return market && id == Param::Sigma ? volatilityShiftSpec() : termSpec(id);
}

SearchStatusText searchStatusText(SearchStatus status)
{
    const QString noSolution = QStringLiteral("提示：在指定区间未能找到合适参数");
    switch (status) {
    case SearchStatus::Found:
        return {false, QString(), QString(), QString()};
    case SearchStatus::NoSolution:
        return {false, noSolution, QStringLiteral("未在限定次数内找到解"), QStringLiteral("未在限定次数内找到解")};
    case SearchStatus::PriceNotMoving:
        return {true, QStringLiteral("未获得有效解"), QStringLiteral("请提高精度(增大PDE中M)再试"),
                QStringLiteral("未获得有效解，请提高精度(增大PDE中M)再试")};
    case SearchStatus::UnknownParam:
        return {true, QStringLiteral("求解错误："), QStringLiteral("错误的目标变量"), QStringLiteral("错误的目标变量")};
    case SearchStatus::TargetOutside:
        return {false, noSolution, QStringLiteral("求解区间非单调，或目标不在区间内"),
                QStringLiteral("求解区间非单调，或目标不在区间内")};
    }
    return {false, noSolution, QString(), noSolution};
}

QString refusalText(const Refusal& why)
{
    const auto count = [&why](const char* caption) {
        return QStringLiteral("%1的个数(%2)与敲出观察日的个数(%3)不符")
            .arg(QString::fromUtf8(caption))
            .arg(why.count)
            .arg(why.expected);
    };
    const auto negative = [](const char* caption) {
        return QStringLiteral("%1不能为负").arg(QString::fromUtf8(caption));
    };
    switch (why.code) {
    case RefusalCode::None:
        return QString();
    case RefusalCode::Spot:
        return QStringLiteral("标的价格应大于0");
    case RefusalCode::GridTop:
        return QStringLiteral("价格上限应大于标的价格");
    case RefusalCode::Volatility:
        return QStringLiteral("波动率(%)不能为负");
    case RefusalCode::ZeroVolatility:
        return QStringLiteral("高精度模式下波动率(%)应大于0");
    case RefusalCode::Maturity:
        return QStringLiteral("到期期限应大于0（到期天数(交易日)至少为2）");
    case RefusalCode::PriceSteps:
        return QStringLiteral("M应不小于3");
    case RefusalCode::TimeSteps:
        return QStringLiteral("N应不小于1");
    case RefusalCode::RateOrDividend:
        return QStringLiteral("无风险利率(%)或分红率(%)超出范围");
    case RefusalCode::YearDays:
        return QStringLiteral("PDE年天数应大于0，且到期前的交易日不超过一百万个");
    case RefusalCode::NoObservations:
        return QStringLiteral("无敲出观察日");
    case RefusalCode::KoBarrierCount:
        return count("敲出价格");
    case RefusalCode::KoCouponCount:
        return count("敲出票息(%)");
    case RefusalCode::KiBarrierCount:
        return count("敲入价格");
    case RefusalCode::NegativeKoBarrier:
        return negative("敲出价格");
    case RefusalCode::NegativeKoCoupon:
        return negative("敲出票息(%)");
    case RefusalCode::NegativeKiBarrier:
        return negative("敲入价格");
    case RefusalCode::NegativeDivCoupon:
        return negative("红利票息(%)");
    case RefusalCode::NegativeFloor:
        return negative("保底价格");
    case RefusalCode::NegativeStrike:
        return negative("看涨行权价");
    case RefusalCode::NegativeParticipation:
        return negative("看涨参与率");
    case RefusalCode::KoBarrierAboveGridTop:
        return QStringLiteral("敲出价格超过价格上限");
    case RefusalCode::KiBarrierAboveGridTop:
        return QStringLiteral("敲入价格超过价格上限");
    case RefusalCode::ObservationAfterMaturity:
    case RefusalCode::ObservationBeforeToday:
        return QStringLiteral("敲出观察日超出到期期限");
    case RefusalCode::ObservationsShareStep:
        return QStringLiteral("N过小：两个敲出观察日落在同一时间步上");
    case RefusalCode::ObservationsNotRising:
        return QStringLiteral("敲出观察日应严格递增");
    case RefusalCode::Paths:
        return QStringLiteral("蒙特卡洛路径数应在200到10^12之间");
    case RefusalCode::Threads:
        return QStringLiteral("蒙特卡洛线程数应在0到1024之间");
    case RefusalCode::NotForMethod:
        return QStringLiteral("参考蒙特卡洛只给出价格和概率");
    case RefusalCode::EmptyAxis:
        return QStringLiteral("区间内没有计算点");
    case RefusalCode::AxisTooLong:
        return QStringLiteral("计算点过多");
    case RefusalCode::MarketNeedsAccurate:
        return QStringLiteral("市场曲线只在高精度模式下使用，请勾选【高精度】");
    case RefusalCode::MarketShift:
        return QStringLiteral("波动率平移后超出(0, 500]%的范围");
    }
    return QString::fromStdString(why.reason);
}

namespace {

QString bytesText(double bytes)
{
    const double gb = 1024.0 * 1024.0 * 1024.0;
    return bytes >= gb ? QStringLiteral("%1 GB").arg(bytes / gb, 0, 'f', 1)
                       : QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 0);
}

}  // namespace

QString gridMemoryProblem(const PricingRequest& request, GridUse use)
{
    const RunEstimate estimate = request_run_cost(request, 1, use);
    const double limit = safe_memory_bytes();
    if (estimate.knob != RunKnob::GridSize || estimate.cost.bytes <= limit)
        return QString();
    return QStringLiteral("%1 x %2 的网格约需内存 %3，超过本机内存的一半（%4），未计算。请减小 M 或 N。")
        .arg(request.model.M)
        .arg(request.model.N)
        .arg(bytesText(estimate.cost.bytes), bytesText(limit));
}
