#include "NumberText.h"

#include <cmath>

QString fixedText(double value, int digits)
{
    if (!std::isfinite(value))
        return QStringLiteral("-");
    QString text = QString::number(value, 'f', digits);
    if (text.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (int i = 1; i < text.size() && zero; ++i)
            zero = text.at(i) == QLatin1Char('0') || text.at(i) == QLatin1Char('.');
        if (zero)
            text.remove(0, 1);
    }
    return text;
}
