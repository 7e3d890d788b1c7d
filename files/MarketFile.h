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
//   implied volatility surface  expiry,strike,vol_pct  KEY,absolute strike,Black volatility in percent
// A key is a date yyyyMMdd or a year fraction written with a decimal point
// ("0.5", "1.0"), one kind per file, strictly increasing (a surface's quotes
// in any order: one line per expiry and strike). Turning dates into times
// needs the trading calendar (terms/MarketInputs.h).
enum class MarketFileKind { Rates, Futures, VolatilityCurve, LocalVolatility, VolatilitySurface };

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
    std::vector<std::vector<double>> values;   // one row per key: one value, one per level, or strike and volatility
};

// ok, or a message naming the file, the line and what is wrong (nothing of
// the file is then used): a wrong header, keys not strictly increasing or of
// mixed kinds, a year fraction at or before 0 (the valuation date), a date
// that does not exist, a field that is not a number, a rate beyond +-100 %,
// a volatility not in (0, 500] %, a futures price not above 0, levels not
// increasing, a row with the wrong number of values, a strike not above 0,
// no points at all. (A surface's repeated quotes and expiries of too few
// strikes are the fit's to refuse: it names the lines too.)
struct MarketFileRead
{
    bool ok = false;
    QString message;
    MarketTable table;
};

MarketFileRead readMarketFile(const QString& path, MarketFileKind kind);
// The same from the file's bytes; name is used in the messages only.
MarketFileRead readMarketBytes(const QByteArray& bytes, const QString& name, MarketFileKind kind);

// A local volatility grid in the file format above, keys as year fractions
// (always with a decimal point, so that they read back as such), levels and
// volatilities (decimals in rows, written in percent) at full precision, so
// that reading the text back gives the same grid.
QByteArray localVolGridCsv(const std::vector<double>& levels, const std::vector<double>& times,
                           const std::vector<std::vector<double>>& rows);
