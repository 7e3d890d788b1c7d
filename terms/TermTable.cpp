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
