#pragma once

#include "MarketInputs.h"
#include "PDEParams.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class Calendar;
class QSettings;

// The market inputs the window loads, in the order it lists them.
enum class MarketInput { Rates, Dividends, Futures, VolatilityCurve, LocalVolatility, VolatilitySurface };
constexpr int kMarketInputCount = 6;

// The flat field a loaded input stands in for.
enum class FlatField { Rate, Dividend, Volatility };

struct MarketInputInfo
{
    const char* name;         // 利率曲线, ... (UTF-8)
    const char* settingsKey;  // where its file is remembered between runs
    MarketFileKind kind;
    std::optional<MarketTable> MarketTables::*table;
    FlatField replaces;
};
const MarketInputInfo& marketInputInfo(MarketInput input);
MarketInput marketInputAt(int index);

// What a market is built for: the structure's spot and the flat numbers no
// file replaces, its valuation date (yyyyMMdd) and clock.
struct MarketTerms
{
    PDEParams params;
    int valuationDate = 0;
    int yearDays = 243;
};

// A file the window loaded: where it is, the digest of the bytes its table
// was read from, and the table.
struct LoadedMarketFile
{
    QString path;
    QByteArray digest;
    MarketTable table;
    // Not empty while the file on disk has changed and cannot be read: why.
    QString problem;
};

// The market files the window prices with: loaded one by one (each checked
// as the market it makes), read again whenever their bytes change on disk so
// that no computation uses what a file no longer says, built into the
// engine's model once per content and terms, and remembered between runs.
class MarketSet
{
public:
    explicit MarketSet(const Calendar& calendar) : calendar_(calendar) {}

    const LoadedMarketFile* file(MarketInput input) const;
    bool any() const;
    // The loaded file that stands in for the field, or null.
    const LoadedMarketFile* replacing(FlatField field) const;

    // A file about to be loaded, checked: the market it makes with the
    // files loaded, or why none (a file's message names the file, the line
    // and what is wrong).
    struct Loading;
    // Reads path as the input's file and builds the market with it for
    // terms, changing nothing (a worker thread may do it, while nobody else
    // touches the set).
    Loading check(MarketInput input, const QString& path, const MarketTerms& terms) const;
    // Loads what check accepted, in place of the input's file before; false
    // (nothing changes) when it refused.
    bool take(Loading loading);
    // check and take; the message when refused.
    QString load(MarketInput input, const QString& path, const MarketTerms& terms);
    void clear(MarketInput input);

    // Reads every loaded file again; one whose bytes changed is taken as it
    // now is, or keeps the reason it cannot be. True when any changed.
    bool refresh();

    // The market of the loaded files for the terms (built again only when a
    // file or a term changed); refused while a file cannot be read. The
    // terms' flat numbers stand for what no file replaces.
    const MarketBuild& build(const MarketTerms& terms);
    // The market the last build made (or refused).
    const MarketBuild& lastBuild() const { return built_; }

    // The files loaded, for the next run; and loading them again: the
    // messages of those that could not be (which are then forgotten).
    void remember(QSettings& settings) const;
    QStringList restore(QSettings& settings, const MarketTerms& terms);

private:
    using Files = std::array<std::optional<LoadedMarketFile>, kMarketInputCount>;
    struct BuildKey
    {
        std::array<QByteArray, kMarketInputCount> digests;
        double S0, sigma, r, q;
        int valuationDate, yearDays;
        bool operator==(const BuildKey& o) const;
    };
    static BuildKey keyOf(const Files& files, const MarketTerms& terms);
    MarketBuild buildOf(const Files& files, const MarketTerms& terms) const;

    const Calendar& calendar_;
    Files files_;
    std::optional<BuildKey> builtFor_;
    MarketBuild built_;
};

struct MarketSet::Loading
{
    QString message;  // empty when accepted
    Files files;      // the set with the file in it
    BuildKey key{};
    MarketBuild built;
};

// The model a result was priced in, in words, with the files behind it:
// "模型：曲线（利率曲线 rates.csv）"; for a fitted surface with its largest
// repricing error. Empty without a model.
QString modelText(const MarketBuild& build, const MarketSet& files);
