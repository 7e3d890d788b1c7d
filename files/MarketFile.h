#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The four market files of the accurate mode, each a CSV: lines starting
// with '#' are comments, blank lines are skipped, a UTF-8 byte order mark
// and CR LF line ends are read. The header names the kind:
//   rate or dividend curve   point,rate_pct     KEY,zero rate in percent
//   index futures            point,price        KEY,futures price
//   volatility term curve    point,vol_pct      KEY,Black volatility in percent
//   local volatility grid    point,L1,...,Lk    KEY,v1,...,vk (percent), levels absolute and increasing
// A key is a date yyyyMMdd or a year fraction written with a decimal point
// ("0.5", "1.0"), one kind per file, strictly increasing. Turning dates into
// times needs the trading calendar (terms/MarketInputs.h).
enum class MarketFileKind { Rates, Futures, VolatilityCurve, LocalVolatility };

struct MarketKey
{
    bool is_date = false;
    int date = 0;         // yyyyMMdd when is_date
    double years = 0.0;   // the year fraction otherwise
    int line = 0;         // where it stands in the file (from 1)
};

// What a file holds, values as the engine takes them: percentages as
// decimals, prices and levels as written.
struct MarketTable
{
    QString name;                              // the file, for messages
    MarketFileKind kind = MarketFileKind::Rates;
    std::vector<MarketKey> keys;
    std::vector<double> levels;                // local volatility grid only
    std::vector<std::vector<double>> values;   // one row per key: one value, or one per level
};

// ok, or a message naming the file, the line and what is wrong (nothing of
// the file is then used): a wrong header, keys not strictly increasing or of
// mixed kinds, a year fraction at or before 0 (the valuation date), a date
// that does not exist, a field that is not a number, a rate beyond +-100 %,
// a volatility not in (0, 500] %, a futures price not above 0, levels not
// increasing, a row with the wrong number of values, no points at all.
struct MarketFileRead
{
    bool ok = false;
    QString message;
    MarketTable table;
};

MarketFileRead readMarketFile(const QString& path, MarketFileKind kind);
// The same from the file's bytes; name is used in the messages only.
MarketFileRead readMarketBytes(const QByteArray& bytes, const QString& name, MarketFileKind kind);
