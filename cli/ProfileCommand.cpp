#include "CommandSupport.h"

#include "Calendar.h"
#include "CliError.h"
#include "CliText.h"
#include "ObserveSchedule.h"
#include "RunLimits.h"
#include "Pricer.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

struct ProfileCommand : StructureCommand
{
};

// The observation dates the engine's times came from (those on or after
// the start, as the conversion keeps them); empty without dates or when
// they do not match the times one to one.
QStringList observationDates(const PreparedStructure& p)
{
    QStringList kept;
    if (!p.dated)
        return kept;
    const int start = dateToInt(p.schedule.start);
    for (const QString& part : p.schedule.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        if (!(year_fraction(*p.calendar, start, part.trimmed().toInt(), p.yearDays) < 0))
            kept << part.trimmed();
    }
    if (static_cast<std::size_t>(kept.size()) != p.terms.contract.obs_times.size())
        kept.clear();
    return kept;
}

// The design grid monitors knock-in at every time step and puts the barriers
// on its nodes, so its figures can be some percentage points off the
// contract's (about two at the first observation of the window's default
// structure).
const char* const kDesignNote =
    "the figures are the design grid's (its time steps and price nodes), which can differ from the contract's by a "
    "few percentage points; --accurate gives the contract's";

// A figure that is no finite number is no answer: say which.
void checkFinite(const ProbabilityProfile& f, bool accurate)
{
    const auto check = [](const std::string& name, double value) {
        if (!std::isfinite(value))
            throw refused("the " + name + " is " + full(value) + ", not a finite number");
    };
    for (std::size_t i = 0; i < f.ko_probability.size(); ++i) {
        check("knock-out probability at observation " + std::to_string(i + 1), f.ko_probability[i]);
        if (accurate)
            check("error estimate at observation " + std::to_string(i + 1), f.ko_error[i]);
    }
    check("maturity probability", f.maturity_probability);
    check("knock-in probability", f.ki_probability);
    check("loss probability", f.loss_probability);
    check("expected life", f.expected_life);
    if (accurate) {
        check("maturity probability's error estimate", f.maturity_error);
        check("knock-in probability's error estimate", f.ki_error);
        check("loss probability's error estimate", f.loss_error);
        check("expected life's error estimate", f.life_error);
    }
}

Json profileJson(const ProbabilityProfile& f, const PreparedStructure& p, const QStringList& dates, bool accurate)
{
    Json j = commandJson("profile");
    if (accurate)
        j["mode"] = "accurate";
    Json observations = Json::array();
    for (std::size_t i = 0; i < f.ko_probability.size(); ++i) {
        Json o;
        o["time"] = p.terms.contract.obs_times[i];
        if (!dates.isEmpty())
            o["date"] = u8(dates[static_cast<int>(i)]);
        o["ko_probability"] = f.ko_probability[i];
        if (accurate)
            o["ko_error"] = f.ko_error[i];
        observations.push_back(o);
    }
    j["observations"] = observations;
    j["maturity_probability"] = f.maturity_probability;
    j["ki_probability"] = f.ki_probability;
    j["loss_probability"] = f.loss_probability;
    j["expected_life"] = f.expected_life;
    if (accurate) {
        j["maturity_error"] = f.maturity_error;
        j["ki_error"] = f.ki_error;
        j["loss_error"] = f.loss_error;
        j["life_error"] = f.life_error;
    } else {
        j["note"] = kDesignNote;
    }
    addNotes(j, structureNotes(p));
    return j;
}

std::string profileTable(const ProbabilityProfile& f, const PreparedStructure& p, const QStringList& dates,
                         bool accurate, int digits)
{
    const SnowballContract& c = p.terms.contract;
    std::vector<std::vector<std::string>> rows;
    rows.push_back({dates.isEmpty() ? "time" : "date", "ko price", "probability", "cumulative"});
    if (accurate)
        rows.front().push_back("error estimate");
    double cumulative = 0;
    for (std::size_t i = 0; i < f.ko_probability.size(); ++i) {
        cumulative += f.ko_probability[i];
        rows.push_back({dates.isEmpty() ? general(c.obs_times[i]) : u8(dates[static_cast<int>(i)]),
                        general(c.ko_barrier[i]), fixed(f.ko_probability[i], digits), fixed(cumulative, digits)});
        if (accurate)
            rows.back().push_back(errorBound(f.ko_error[i], digits));
    }
    KeyValueTable t;
    const auto add = [&](const std::string& name, double value, double error) {
        t.add(name, fixed(value, digits));
        if (accurate)
            t.add(name + " error estimate", errorBound(error, digits));
    };
    add("knock-in", f.ki_probability, f.ki_error);
    add("loss", f.loss_probability, f.loss_error);
    add("maturity", f.maturity_probability, f.maturity_error);
    add("expected life (years)", f.expected_life, f.life_error);
    return alignedColumns(rows) + "\n" + t.text() + (accurate ? "" : std::string("\nnote: ") + kDesignNote + "\n");
}

std::string runProfile(const ProfileCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false, o.method());
    CommandMarket market;
    const PricingRequest request = commandRequest(o, p, &market);
    checkRuns(request, 2, GridUse::PriceOnly);  // the forward pass costs about what a price does
    const ProbabilityProfile f = probabilities(request);
    requireOk(f, "no profile");
    checkFinite(f, o.accurate);
    const QStringList dates = observationDates(p);
    if (o.common.json) {
        Json j = profileJson(f, p, dates, o.accurate);
        addMarketJson(j, o.marketFiles, market);
        return jsonLine(j);
    }
    KeyValueTable t;
    addMarketLines(t, o.marketFiles, market);
    return t.text() + profileTable(f, p, dates, o.accurate, o.common.digits);
}

}  // namespace

CommandRun addProfileCommand(CLI::App& app)
{
    auto o = std::make_shared<ProfileCommand>();
    CLI::App* sub = app.add_subcommand(
        "profile", "Probabilities of knocking out at each observation, of knocking in, of a loss, and the expected life");
    addStructureCommandOptions(*sub, *o);
    addAccurateOption(*sub, *o);
    return bindCommand(o, runProfile);
}
