#include "MarketFile.h"

#include "InputFile.h"

#include <QDate>
#include <QFile>
#include <QList>

#include <cmath>

using files::InputFile;
using files::readInputFile;

namespace {

const char* headerOf(MarketFileKind kind)
{
    switch (kind) {
    case MarketFileKind::Rates:
        return "point,rate_pct";
    case MarketFileKind::Futures:
        return "point,price";
    case MarketFileKind::VolatilityCurve:
        return "point,vol_pct";
    case MarketFileKind::VolatilitySurface:
        return "expiry,strike,vol_pct";
    case MarketFileKind::LocalVolatility:
        break;
    }
    return "point,L1,...,Lk";
}

class Reader
{
public:
    Reader(const QString& name, MarketFileKind kind) { read_.table.name = name, read_.table.kind = kind; }

    MarketFileRead run(const QByteArray& bytes)
    {
        QByteArray text = bytes;
        if (text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3);
        const QList<QByteArray> lines = text.split('\n');
        bool header = false;
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray raw = lines[i];
            while (raw.endsWith('\r'))
                raw.chop(1);
            const QString line = QString::fromUtf8(raw).trimmed();
            line_ = i + 1;
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList fields = fieldsOf(line);
            if (!header ? !readHeader(fields) : !readRow(fields))
                return read_;
            header = true;
        }
        if (read_.table.keys.empty()) {
            read_.message = read_.table.name + (header ? QStringLiteral(" holds no points") : QStringLiteral(" is empty"));
            return read_;
        }
        read_.ok = true;
        return read_;
    }

private:
    static QStringList fieldsOf(const QString& line)
    {
        QStringList fields = line.split(QLatin1Char(','));
        for (QString& f : fields)
            f = f.trimmed();
        return fields;
    }

    bool refuse(const QString& what)
    {
        read_.message = QStringLiteral("%1 line %2: %3").arg(read_.table.name).arg(line_).arg(what);
        return false;
    }

    bool number(const QString& field, double& value)
    {
        bool ok = false;
        value = field.toDouble(&ok);
        return (ok && std::isfinite(value)) || refuse(QStringLiteral("\"%1\" is not a number").arg(field));
    }

    bool readHeader(const QStringList& fields)
    {
        const MarketFileKind kind = read_.table.kind;
        if (kind != MarketFileKind::LocalVolatility) {
            if (fields.join(QLatin1Char(',')) != QLatin1String(headerOf(kind)))
                return refuse(QStringLiteral("the header must be \"%1\"").arg(QLatin1String(headerOf(kind))));
            return true;
        }
        if (fields.size() < 2 || fields.front() != QLatin1String("point"))
            return refuse(QStringLiteral("the header must be \"point,L1,...,Lk\" with the grid's price levels"));
        for (int i = 1; i < fields.size(); ++i) {
            double level = 0.0;
            if (!number(fields[i], level))
                return false;
            if (!(level > 0.0))
                return refuse(QStringLiteral("the level %1 is not a positive price").arg(fields[i]));
            if (!read_.table.levels.empty() && !(level > read_.table.levels.back()))
                return refuse(QStringLiteral("the levels must increase (%1 after %2)").arg(fields[i]).arg(fields[i - 1]));
            read_.table.levels.push_back(level);
        }
        return true;
    }

    bool readKey(const QString& field, MarketKey& key)
    {
        key.line = line_;
        if (field.contains(QLatin1Char('.'))) {
            bool ok = false;
            key.years = field.toDouble(&ok);
            if (!ok || !std::isfinite(key.years))
                return refuse(QStringLiteral("the key \"%1\" is not a year fraction").arg(field));
            if (!(key.years > 0.0))
                return refuse(QStringLiteral("the key %1 is at or before the valuation date").arg(field));
        } else {
            const QDate date = QDate::fromString(field, QStringLiteral("yyyyMMdd"));
            if (field.size() != 8 || !date.isValid())
                return refuse(QStringLiteral("the key \"%1\" is neither a date (yyyyMMdd) nor a year fraction with a "
                                             "decimal point")
                                  .arg(field));
            key.is_date = true;
            key.date = field.toInt();
        }
        const std::vector<MarketKey>& keys = read_.table.keys;
        if (keys.empty())
            return true;
        const MarketKey& before = keys.back();
        if (before.is_date != key.is_date)
            return refuse(QStringLiteral("the key %1 mixes dates and year fractions (line %2 has the other kind)")
                              .arg(field)
                              .arg(keys.front().line));
        // A surface lists many strikes per expiry, in any order.
        if (read_.table.kind != MarketFileKind::VolatilitySurface &&
            (key.is_date ? key.date <= before.date : key.years <= before.years))
            return refuse(QStringLiteral("the key %1 does not come after the one on line %2: keys must increase strictly")
                              .arg(field)
                              .arg(before.line));
        return true;
    }

    bool readRow(const QStringList& fields)
    {
        const MarketFileKind kind = read_.table.kind;
        const int count = kind == MarketFileKind::LocalVolatility     ? static_cast<int>(read_.table.levels.size())
                          : kind == MarketFileKind::VolatilitySurface ? 2
                                                                      : 1;
        if (fields.size() != count + 1)
            return refuse(QStringLiteral("%1 values where the header asks for %2").arg(fields.size() - 1).arg(count));
        MarketKey key;
        if (!readKey(fields.front(), key))
            return false;
        std::vector<double> row;
        for (int i = 1; i <= count; ++i) {
            double v = 0.0;
            if (!number(fields[i], v))
                return false;
            if (kind == MarketFileKind::Rates && !(std::fabs(v) <= 100.0))
                return refuse(QStringLiteral("the rate %1 % lies beyond +-100 %").arg(fields[i]));
            const bool strike = kind == MarketFileKind::VolatilitySurface && i == 1;
            if (!strike && kind != MarketFileKind::Rates && kind != MarketFileKind::Futures && !(v > 0.0 && v <= 500.0))
                return refuse(QStringLiteral("the volatility %1 % is not in (0, 500] %").arg(fields[i]));
            if (kind == MarketFileKind::Futures && !(v > 0.0))
                return refuse(QStringLiteral("the futures price %1 is not above 0").arg(fields[i]));
            if (strike && !(v > 0.0))
                return refuse(QStringLiteral("the strike %1 is not a positive price").arg(fields[i]));
            row.push_back(kind == MarketFileKind::Futures || strike ? v : v / 100.0);
        }
        read_.table.keys.push_back(key);
        read_.table.values.push_back(row);
        return true;
    }

    MarketFileRead read_;
    int line_ = 0;
};

}  // namespace

MarketFileRead readMarketBytes(const QByteArray& bytes, const QString& name, MarketFileKind kind)
{
    return Reader(name, kind).run(bytes);
}

MarketFileRead readMarketFile(const QString& path, MarketFileKind kind)
{
    // Only a regular file, and only up to the reader's limit: a pipe or a
    // device named by mistake must not hang the window or the command.
    const InputFile file = readInputFile(QFile::encodeName(path).toStdString());
    if (!file.ok) {
        MarketFileRead r;
        r.table.name = path;
        r.message = QString::fromLocal8Bit(file.problem.c_str());
        return r;
    }
    return readMarketBytes(QByteArray::fromStdString(file.bytes), path, kind);
}

QByteArray localVolGridCsv(const std::vector<double>& levels, const std::vector<double>& times,
                           const std::vector<std::vector<double>>& rows)
{
    // 17 significant digits round-trip a double; 'g' may drop the point of a
    // whole year ("1"), which would read as a date: such keys get ".0".
    const auto text = [](double v) { return QByteArray::number(v, 'g', 17); };
    QByteArray out("point");
    for (double level : levels)
        out += ',' + text(level);
    out += '\n';
    for (std::size_t j = 0; j < times.size() && j < rows.size(); ++j) {
        QByteArray key = text(times[j]);
        if (!key.contains('.'))
            key = key.contains('e') ? key.replace("e", ".0e") : key + ".0";
        out += key;
        for (double v : rows[j])
            out += ',' + text(100.0 * v);
        out += '\n';
    }
    return out;
}
