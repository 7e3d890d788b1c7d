#include "StrictFields.h"

#include <QStringList>

#include <cmath>

bool strictNumber(const QString& text, double& value)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool strictInt(const QString& text, int& value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return false;
    value = v;
    return true;
}

bool strictValueList(const QString& text, std::vector<double>& values)
{
    std::vector<double> read;
    for (const QString& part : text.split(QLatin1Char('_'), Qt::KeepEmptyParts)) {
        double v = 0;
        if (!strictNumber(part, v))
            return false;
        read.push_back(v);
    }
    values.swap(read);
    return true;
}

QString fieldRefusal(const QString& caption, const QString& text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("“%1”为空，请输入数字").arg(caption);
    return QStringLiteral("“%1”不是有效的数字：%2").arg(caption, text);
}

bool readNumberField(const QString& caption, const QString& text, double& value, QString& error)
{
    if (strictNumber(text, value))
        return true;
    error = fieldRefusal(caption, text);
    return false;
}

bool readIntField(const QString& caption, const QString& text, int& value, QString& error)
{
    if (strictInt(text, value))
        return true;
    error = fieldRefusal(caption, text);
    return false;
}

bool checkStructureTexts(const StructureTexts& t, QString& error)
{
    struct Field
    {
        const char* caption;
        const QString& text;
        enum Kind { Number, Integer, List } kind;
    };
    const Field fields[] = {
        {"标的价格", t.S, Field::Number},
        {"波动率(%)", t.vol, Field::Number},
        {"无风险利率(%)", t.rate, Field::Number},
        {"分红率(%)", t.q, Field::Number},
        {"到期天数(交易日)", t.T, Field::Number},
        {"敲出票息(%)", t.coupon, Field::List},
        {"红利票息(%)", t.divCoupon, Field::Number},
        {"敲出价格", t.ko, Field::List},
        {"敲入价格", t.ki, Field::List},
        {"保底价格", t.floor, Field::Number},
        {"看涨行权价", t.strike, Field::Number},
        {"看涨参与率", t.participation, Field::Number},
        {"价格上限", t.Smax, Field::Number},
        {"M", t.M, Field::Integer},
        {"N", t.N, Field::Integer},
        {"PDE年天数", t.yearDays, Field::Integer},
    };
    for (const Field& f : fields) {
        double number = 0;
        int integer = 0;
        std::vector<double> list;
        const bool ok = f.kind == Field::Number    ? strictNumber(f.text, number)
                        : f.kind == Field::Integer ? strictInt(f.text, integer)
                                                   : strictValueList(f.text, list);
        if (!ok) {
            error = fieldRefusal(QString::fromUtf8(f.caption), f.text);
            return false;
        }
    }
    return true;
}
