#include "TermsRefusal.h"

#include "AutoCallSolver.h"

#include <cmath>

namespace {

QString negativeIn(const std::vector<double>& values, const char* caption)
{
    for (double v : values)
        if (!(v >= 0.0))
            return QStringLiteral("%1不能为负").arg(QString::fromUtf8(caption));
    return QString();
}

QString countMismatch(const std::vector<double>& values, size_t dates, const char* caption)
{
    if (values.size() == dates)
        return QString();
    return QStringLiteral("%1的个数(%2)与敲出观察日的个数(%3)不符")
        .arg(QString::fromUtf8(caption))
        .arg(values.size())
        .arg(dates);
}

}  // namespace

QString termsRefusal(const StructureTerms& terms, int yearDays)
{
    const PDEParams& p = terms.params;
    if (yearDays <= 0)
        return QStringLiteral("PDE年天数应大于0");
    if (!(p.S0 > 0.0))
        return QStringLiteral("标的价格应大于0");
    if (!(p.S_max > p.S0))
        return QStringLiteral("价格上限应大于标的价格");
    if (!(p.sigma >= 0.0))
        return QStringLiteral("波动率(%)不能为负");
    if (!std::isfinite(p.T) || !(p.T > 0.0))
        return QStringLiteral("到期期限应大于0（到期天数(交易日)至少为2）");
    if (p.M < 3)
        return QStringLiteral("M应不小于3");
    if (p.N < 1)
        return QStringLiteral("N应不小于1");
    if (!std::isfinite(p.r) || !std::isfinite(p.q))
        return QStringLiteral("无风险利率(%)或分红率(%)超出范围");

    const size_t dates = terms.contract.obs_times.size();
    if (dates == 0)
        return QStringLiteral("无敲出观察日");
    for (const QString& why : {countMismatch(terms.contract.ko_barrier, dates, "敲出价格"),
                               countMismatch(terms.contract.ko_coupon, dates, "敲出票息(%)"),
                               countMismatch(terms.contract.ki_barrier, dates, "敲入价格"),
                               negativeIn(terms.contract.ko_barrier, "敲出价格"),
                               negativeIn(terms.contract.ko_coupon, "敲出票息(%)"),
                               negativeIn(terms.contract.ki_barrier, "敲入价格"),
                               negativeIn({terms.contract.div_coupon}, "红利票息(%)"),
                               negativeIn({terms.contract.floor_price}, "保底价格"),
                               negativeIn({terms.contract.call_strike}, "看涨行权价"),
                               negativeIn({terms.contract.call_participation}, "看涨参与率")})
        if (!why.isEmpty())
            return why;
    for (double b : terms.contract.ko_barrier)
        if (b > p.S_max)
            return QStringLiteral("敲出价格超过价格上限");
    for (double b : terms.contract.ki_barrier)
        if (b > p.S_max)
            return QStringLiteral("敲入价格超过价格上限");

    std::vector<int> columns;
    for (double t : terms.contract.obs_times)
        if (!(t >= 0.0 && t <= p.T))
            return QStringLiteral("敲出观察日超出到期期限");
    if (!observation_columns(terms.contract.obs_times, p.T / p.N, p.T, columns))
        return QStringLiteral("N过小：两个敲出观察日落在同一时间步上");
    return QString();
}
