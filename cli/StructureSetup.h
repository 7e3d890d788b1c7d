#pragma once

#include "CliOutput.h"
#include "ObserveSchedule.h"
#include "StructureOptions.h"
#include "StructureTerms.h"

#include <QDate>
#include <QString>

class Calendar;

// A schedule as the observation editor holds it.
struct Schedule
{
    QDate start;    // on a trading day
    QDate expiry;   // on a trading day
    QString dates;  // yyyyMMdd joined by "_"
    GeneratedSchedule generated;  // how the dates were generated (their merges); empty when given
};

// The editor's estimate: both dates rolled onto trading days, then the
// generated observation dates; dates merged because they rolled onto one
// trading day are warned about (the run's warnings). Loads the run's trading
// calendar. Throws CliError.
Schedule estimateSchedule(const ScheduleOptions& options, const CommonOptions& common);

// A structure ready to hand to an engine, with what the lookups need.
struct PreparedStructure
{
    StructureTexts texts;
    StructureTerms terms;
    PayoffForm form = PayoffForm::Note;
    bool trace = false;   // --verbose: the engine's trace lines on stderr
    double yearDays = 243;
    bool dated = true;    // false with --obs-times
    Schedule schedule;    // when dated
    int tradingDays = 0;  // "到期天数(交易日)", when dated
    const Calendar* calendar = nullptr;  // the trading calendar, when dated
    // How the command prices it: the notes about 价格上限 concern the design grid only.
    PricingMethod method = PricingMethod::DesignGrid;
};

// From the options: the schedule (estimated, given by --dates, or engine
// times), the window's checks and the window's conversion; its warnings go to
// the run. spotOnly checks only the underlying price among the levels (the
// interval solve).
PreparedStructure prepareStructure(const StructureOptions& options, const CommonOptions& common, bool spotOnly,
                                   PricingMethod method);

// A dated structure whose texts are complete but for T (and N when empty):
// fills them from the trading calendar as the window does after a schedule
// change, checks and converts. Throws CliError.
PreparedStructure prepareDated(const Calendar& calendar, StructureTexts texts, const Schedule& schedule,
                               PayoffForm form, bool spotOnly);


// The structure's inputs for a JSON result.
Json structureJson(const PreparedStructure& structure);

