#pragma once

#include "MarketFile.h"
#include "MarketModel.h"
#include "PDEParams.h"

#include <QString>

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
    QString rates, dividends, futures, volatilityCurve, localVolatility;
    bool any() const;
};

struct MarketBuild
{
    std::optional<MarketModel> model;  // set when ok
    QString message;                   // why not: the file, the line and what is wrong
    bool ok() const { return model.has_value(); }
};

// The flat model of params (S0, sigma, r, q) with each loaded file in place
// of the number it replaces: the rate curve for r, the dividend curve or the
// futures (their basis at params.S0) for q, the volatility curve or the
// local volatility grid for sigma. Refuses a dividend curve with futures,
// and a volatility curve with a grid.
MarketBuild marketFromFiles(const MarketFiles& files, const PDEParams& params, const Calendar& calendar,
                            int valuationDate, int yearDays);
