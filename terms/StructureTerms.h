#pragma once

#include "PricingRequest.h"
#include "Valuation.h"
#include "SnowballContract.h"

#include <QString>

class Calendar;

#include <vector>

// Field texts of a snowball structure, as the calculator window holds them,
// turned into the engine's terms. Lives on QtCore only so that the window and
// the headless front end parse the same way.

// Day-count mode of the maturity and the observation times.
enum class DayMode { Calendar = 0, Trading = 1 };

// The texts exactly as typed; percentages still in percent.
struct StructureTexts
{
    QString S;              // "标的价格"
    QString Smax;           // "价格上限"
    QString vol;            // "波动率(%)"
    QString rate;           // "无风险利率(%)"
    QString q;              // "分红率(%)"
    QString T;              // "到期天数(交易日)"
    QString M;
    QString N;
    QString yearDays;       // "PDE年天数"
    DayMode dayMode = DayMode::Trading;
    QString ko;             // "敲出价格", a "_" list
    QString coupon;         // "敲出票息(%)", a "_" list
    QString ki;             // "敲入价格", a "_" list
    QString divCoupon;      // "红利票息(%)"
    QString floor;          // "保底价格"
    QString strike;         // "看涨行权价"
    QString participation;  // "看涨参与率", a ratio
    QString observeDates;   // schedule text: yyyyMMdd joined by "_"
    QString startDate;      // yyyyMMdd; empty or unreadable counts as no date
    QString expiryDate;     // yyyyMMdd
};

// What the engine receives; rates, volatility and coupons as decimals. The
// form (note or option) is not among the texts: the hand-over sets it.
struct StructureTerms
{
    SnowballContract contract;
    PDEParams params;  // M and N from the texts
    // False when the observation dates could not be turned into times
    // (trading-day mode without a loaded trading calendar); obs_times is then
    // empty and the terms cannot be priced.
    bool obsTimesOk = true;
};

// Base-10 conversions of the window: blanks around the text are allowed, a
// text that is not a number reads as 0.
double fieldNumber(const QString& text);
int fieldInt(const QString& text);

// "价格上限" as the window fills it in for a spot text: 2 x spot with three
// decimals.
QString defaultSmax(const QString& spot);

// A "_" list with empty parts kept: "103__101" -> 103, 0, 101; "" -> 0.
std::vector<double> valueList(const QString& text);

// Maturity in years from the days in "到期天数(交易日)": (D - 1) / yearDays in
// trading-day mode (D counts both ends), D / 365 in calendar-day mode.
double maturityYears(double days, DayMode mode, int yearDays);

// The whole conversion, observation dates counted on the calendar. Never
// fails; see StructureTerms::obsTimesOk.
StructureTerms structureTerms(const StructureTexts& texts, const Calendar& calendar);

// Sets the knock-out, coupon and knock-in lists from the texts over the
// contract's observation times: one value stands for every date, longer
// lists stay as typed, coupons become decimals.
void spreadTermLists(StructureTerms& terms, const StructureTexts& texts);

// The question the terms ask of the engine: the contract in the given form,
// the model, the trading days a year and the method.
PricingRequest pricingRequest(const StructureTerms& terms, PayoffForm form, int yearDays, PricingMethod method);

// Price and Greeks in the window's units: value, Delta and Gamma as the
// engine gives them, Theta per day of a yearDays-day year, Vega and Rho per
// percentage point.
struct LookupGreeks
{
    double price = 0, delta = 0, gamma = 0, theta = 0, vega = 0, rho = 0;
};
LookupGreeks lookupGreeks(const GreeksValuation& raw, double yearDays);

// The schedule check; false with the message text in error.
bool validateObserveDates(const StructureTexts& texts, QString& error);

// The price-level check; with spotOnly only the underlying price is checked.
bool validateStructure(const StructureTexts& texts, bool spotOnly, QString& error);
