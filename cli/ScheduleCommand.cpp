#include "CommandSupport.h"

#include "Calendar.h"
#include "CliCalendar.h"
#include "CliError.h"
#include "CliText.h"
#include "ObserveSchedule.h"
#include "StructureSetup.h"

namespace {

struct ScheduleCommand
{
    CommonOptions common;
    ScheduleOptions schedule;
};

std::string runSchedule(const ScheduleCommand& o)
{
    const Schedule s = estimateSchedule(o.schedule, o.common);
    if (o.common.json) {
        Json j = commandJson("schedule");
        j["start"] = u8(dateText(s.start));
        j["expiry"] = u8(dateText(s.expiry));
        j["dates"] = u8(s.dates);
        j["count"] = s.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts).size();
        const Calendar& calendar = useTradingCalendar(*o.common.run, o.common.calendar);  // loaded by the estimate
        j["trading_days"] = calendar.count_trading_days(dateToInt(s.start), dateToInt(s.expiry), 1);
        j["calendar_estimated"] = calendar.reaches_estimated_year(dateToInt(s.start), dateToInt(s.expiry));
        if (!s.generated.merged.empty()) {
            Json merged = Json::array();
            for (const MergedObservation& m : s.generated.merged) {
                Json one;
                one["dates"] = u8(m.dates.join(QLatin1Char('_')));
                one["trading_day"] = u8(m.tradingDay);
                merged.push_back(one);
            }
            j["merged"] = merged;
        }
        return jsonLine(j);
    }
    return u8(s.dates) + "\n";
}

}  // namespace

CommandRun addScheduleCommand(CLI::App& app)
{
    auto o = std::make_shared<ScheduleCommand>();
    CLI::App* sub = app.add_subcommand("schedule", "The observation schedule text, as the editor generates it");
    addScheduleOptions(*sub, o->schedule);
    addCommonOptions(*sub, o->common);
    return bindCommand(o, runSchedule);
}
