#pragma once

#include "SnowballContract.h"

#include <CLI/CLI.hpp>

#include <QDate>

#include <string>

struct RunContext;

// Options every command takes.
struct CommonOptions
{
    std::string calendar;  // --calendar FILE
    std::string today;     // --today yyyyMMdd; empty: the system date
    bool json = false;     // --json
    bool verbose = false;  // --verbose: the engine's own trace on stderr
    int digits = 4;        // --digits: decimals of the table output

    // The run of the command line these options came from: set just before
    // the command runs (bindCommand), for what the run keeps to itself.
    RunContext* run = nullptr;

    QDate todayDate() const;
};

// The observation editor's inputs.
struct ScheduleOptions
{
    std::string start;   // empty: today
    std::string expiry;  // empty: start + 1 year
    std::string freq = "月";
    std::string lock = "3";
};

// The window's structure fields, in the window's units, kept as text so that
// they reach the engine through the window's own conversion.
struct StructureOptions
{
    std::string spot = "100";
    std::string smax;  // empty: 2 x spot, as the window fills it
    std::string vol = "18";
    std::string rate = "1.5";
    std::string q = "0";
    std::string ko = "103";
    std::string coupon = "16";
    std::string divCoupon = "16";
    std::string ki = "80";
    std::string floor = "0";
    std::string strike = "0";
    std::string participation = "0";
    std::string type = "note";  // note | option
    std::string M = "200";
    std::string N;  // empty: trading days - 1
    std::string yearDays = "243";

    ScheduleOptions schedule;
    std::string dates;     // --dates d1_d2_...
    std::string obsTimes;  // --obs-times t1,t2,...: engine terms, no calendar
    std::string T;         // --T YEARS with --obs-times

    PayoffForm payoffForm() const { return type == "option" ? PayoffForm::Option : PayoffForm::Note; }
};

void addCommonOptions(CLI::App& app, CommonOptions& options);
void addScheduleOptions(CLI::App& app, ScheduleOptions& options);
// Everything a structure needs: fields, grid, schedule (three ways).
void addStructureOptions(CLI::App& app, StructureOptions& options);
// The options batch applies to every record: market, product type, grid.
void addMarketOptions(CLI::App& app, StructureOptions& options);
