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
        n.calendarEstimated = p.calendar->reaches_estimated_year(dateToInt(p.schedule.start), last);
    }
    // 价格上限 is the design grid's top: the accurate pricer and the reference
    // Monte Carlo never reach it.
    n.gridCeiling = p.method == PricingMethod::DesignGrid;
    if (!n.gridCeiling)
        return n;
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

std::string notesText(const StructureNotes& n, const PreparedStructure& p, const std::string& who)
{
    std::string text;
    if (n.calendarEstimated)
        text += "warning: " + who +
                "the dates reach a year whose holidays the trading calendar only estimates (see its \"# YYYY: "
                "ESTIMATED\" lines); trading-day counts may change\n";
    if (n.smaxLow()) {
        char chance[32];
        // Two significant digits, but never in exponent form ("1e+02%").
        const double percent = 100.0 * n.smaxReachChance;
        std::snprintf(chance, sizeof chance, percent >= 10.0 ? "%.0f%%" : "%.2g%%", percent);
        text += "warning: " + who + "the price reaches the grid top 价格上限 " + general(p.terms.params.S_max) +
                " with a chance of " + chance +
                " at this volatility and maturity; the price may be off: try --smax " + general(n.suggestedSmax) +
                " (with --M " + general(suggestedM(n, p)) + " to keep the price step)\n";
    }
    return text;
}

void addNotes(Json& j, const StructureNotes& n)
{
    j["calendar_estimated"] = n.calendarEstimated;
    if (!n.gridCeiling)
        return;
    j["smax_reach_chance"] = n.smaxReachChance;
    j["smax_low"] = n.smaxLow();
    if (n.smaxLow())
        j["smax_suggested"] = n.suggestedSmax;
}
