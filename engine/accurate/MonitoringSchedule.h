#pragma once

#include "SnowballContract.h"

#include <string>
#include <vector>

// One moment at which the contract looks at the price: a trading day's close
// (knock-in check), a knock-out observation, or maturity (both, through the
// final payout). Several can fall on one moment.
struct MonitoringEvent
{
    double t = 0.0;       // years from today
    int ki_period = -1;   // knock-in checked against ki_barrier[ki_period]; -1: no check
    int ko_obs = -1;      // knock-out observation index settled here; -1: none
    bool maturity = false;
};

// The contract's monitoring from today to maturity T, ascending: every
// trading day's close k / year_days (k = 0, 1, ... while before T), every
// knock-out observation but the last, and maturity, which settles the last
// observation (also when its date lies before T). The knock-in barrier of a
// moment is that of the observation period it lies in, a period running from
// one observation (inclusive) to the next; maturity uses the last one.
// False with a reason for a schedule the contract cannot have.
bool build_monitoring_schedule(const SnowballContract& contract, double T, int year_days,
                               std::vector<MonitoringEvent>& events, std::string& error);

// The same from a valuation time `start` years after inception (0 <= start
// < T): the closes k / year_days and the observations from start on, times
// still counted from inception. When start falls between two closes, the
// first moment is start itself with no check (only an observation dated
// exactly then is settled).
bool build_monitoring_schedule(const SnowballContract& contract, double T, int year_days, double start,
                               std::vector<MonitoringEvent>& events, std::string& error);
