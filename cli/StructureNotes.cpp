#include "StructureNotes.h"

#include "Calendar.h"
#include "CliText.h"
#include "ObserveSchedule.h"
#include "PriceCeiling.h"
#include "StructureSetup.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>

bool StructureNotes::smaxLow() const { return smaxReachChance > kCeilingReachLimit; }

StructureNotes structureNotes(const PreparedStructure& p)
{
    StructureNotes n;
    if (p.dated) {
        int last = dateToInt(p.schedule.expiry);
        for (const QString& part : p.schedule.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts))
            last = std::max(last, part.trimmed().toInt());
        n.calendarEstimated = trd_calendar().reaches_estimated_year(dateToInt(p.schedule.start), last);
    }
    const PDEParams& x = p.terms.params;
    n.smaxReachChance = ceiling_reach_chance(x.S0, x.S_max, x.sigma, x.r, x.q, x.T);
    n.suggestedSmax = safe_price_ceiling(x.S0, x.sigma, x.r, x.q, x.T);
    return n;
}

namespace {

// The grid size that keeps the price step dS with the suggested ceiling.
double suggestedM(const StructureNotes& n, const PreparedStructure& p)
{
    const PDEParams& x = p.terms.params;
    return std::ceil(x.M * n.suggestedSmax / x.S_max);
}

}  // namespace

void warnAbout(const StructureNotes& n, const PreparedStructure& p, const std::string& who)
{
    if (n.calendarEstimated)
        std::fprintf(stderr,
                     "warning: %sthe dates reach a year whose holidays the trading calendar only estimates "
                     "(see its \"# YYYY: ESTIMATED\" lines); trading-day counts may change\n",
                     who.c_str());
    if (n.smaxLow())
        std::fprintf(stderr,
                     "warning: %sthe price reaches the grid top 价格上限 %s with a chance of %.2g%% at this "
                     "volatility and maturity; the price may be off: try --smax %s (with --M %s to keep "
                     "the price step)\n",
                     who.c_str(), general(p.terms.params.S_max).c_str(), 100.0 * n.smaxReachChance,
                     general(n.suggestedSmax).c_str(), general(suggestedM(n, p)).c_str());
}

void addNotes(Json& j, const StructureNotes& n)
{
    j["calendar_estimated"] = n.calendarEstimated;
    j["smax_reach_chance"] = n.smaxReachChance;
    j["smax_low"] = n.smaxLow();
    if (n.smaxLow())
        j["smax_suggested"] = n.suggestedSmax;
}
