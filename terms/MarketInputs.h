#pragma once

#include "MarketFile.h"
#include "MarketModel.h"
#include "PDEParams.h"
#include "SurfaceCalibration.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Calendar;

// Turning the market files into the engine's market model: date keys become
// times on the engine's clock (trading days from the valuation date / year
// days, as the observation times), then the curves and grid are built.

// Times of a file's keys; false with a message naming the file and the line
// for a date outside the calendar's span or at or before the valuation date
// (yyyyMMdd), or date keys with no calendar loaded.
bool marketKeyTimes(const MarketTable& table, const Calendar& calendar, int valuationDate, int yearDays,
                    std::vector<double>& times, QString& error);

// The files in use; an empty path is no file.
struct MarketFiles
{
    QString rates, dividends, futures, volatilityCurve, localVolatility, volatilitySurface;
    bool any() const;
};

struct MarketBuild
{
    std::optional<MarketModel> model;  // set when ok
    QString message;                   // why not: the file, the line and what is wrong
    // With a volatility surface: its fit, local volatility and the quotes
    // repriced by the local-volatility solver.
    std::shared_ptr<const SurfaceCalibration> surface;
    bool ok() const { return model.has_value(); }
};

// The files' contents as read (a file's name is its table's); no table is no
// file. What a front end holds that must not change under it while it
// prices (the window re-reads a file only when its bytes changed).
struct MarketTables
{
    std::optional<MarketTable> rates, dividends, futures, volatilityCurve, localVolatility, volatilitySurface;
};

// The quotes of a volatility surface file, expiries timed on the calendar,
// each quote's source its file and line (keys: each quote's expiry as
// written). False with the message.
bool surfaceQuotes(const QString& path, const Calendar& calendar, int valuationDate, int yearDays,
                   std::vector<VolQuote>& quotes, QString& error, std::vector<MarketKey>* keys = nullptr);
// The same from a surface file's table.
bool surfaceQuotes(const MarketTable& table, const Calendar& calendar, int valuationDate, int yearDays,
                   std::vector<VolQuote>& quotes, QString& error);

// The surface's fit and Dupire local volatility at spot S on the forward of
// the curves, every quote repriced; the message names the lines (refused
// quotes), the expiry and strikes (arbitrage) or where the local variance is
// not defined.
MarketBuild marketWithSurface(const MarketModel& curves, const std::vector<VolQuote>& quotes);

// The flat model of params (S0, sigma, r, q) with each loaded file in place
// of the number it replaces: the rate curve for r, the dividend curve or the
// futures (their basis at params.S0) for q, the volatility curve, the
// local volatility grid or the implied volatility surface (fitted into its
// local volatility) for sigma. Refuses a dividend curve with futures, and
// more than one volatility input.
MarketBuild marketFromFiles(const MarketFiles& files, const PDEParams& params, const Calendar& calendar,
                            int valuationDate, int yearDays);
// The same from the files' tables, read already.
MarketBuild marketFromTables(const MarketTables& tables, const PDEParams& params, const Calendar& calendar,
                             int valuationDate, int yearDays);
