#pragma once

#include "CliOutput.h"
#include "PricingRequest.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

struct PreparedStructure;
struct SurfaceCalibration;

// The market files of the accurate mode (rate and dividend curves, futures,
// volatility term curve, local volatility grid, implied volatility surface).
struct MarketFileOptions
{
    std::string rateCurve, dividendCurve, futures, volCurve, localVol, volSurface;
    bool any() const;
};

// What a command priced in: the market model the files built and, with a
// surface, its fit and repricing.
struct CommandMarket
{
    std::shared_ptr<const MarketModel> model;
    std::shared_ptr<const SurfaceCalibration> surface;
};

// What a volatility value means when market files are in use (solve, scan,
// stress): the volatility input's parallel shift, not a flat volatility.
constexpr const char* kShiftMeaning =
    "the parallel shift (decimal, 0.01 = 1 volatility point) of the market's volatility input";

// --rate-curve, --dividend-curve, --futures, --vol-curve, --local-vol, --vol-surface.
void addMarketFileOptions(CLI::App& sub, MarketFileOptions& files);

// The market of the files, built for the structure (its spot, valuation date
// on the trading calendar and trading days a year); none without files.
// Files with a method other than the accurate pricer or the reference Monte
// Carlo are refused (CliError, refused) before any is read, naming
// `needs` (the option that would take them), as is a file the engine refuses
// (the file, the line and what is wrong).
CommandMarket loadCommandMarket(const MarketFileOptions& files, const PreparedStructure& p, PricingMethod method,
                                const char* needs);

// Beside a result: "model" and the market files used ("market_files"), with
// a surface its largest repricing error in volatility basis points
// ("max_repricing_error_bp"); nothing without files, so flat outputs stay
// as they were.
void addMarketJson(Json& j, const MarketFileOptions& files, const CommandMarket& market);
void addMarketLines(KeyValueTable& t, const MarketFileOptions& files, const CommandMarket& market);
