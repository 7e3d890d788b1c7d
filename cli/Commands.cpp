#include "Commands.h"

#include "Calendar.h"
#include "CliError.h"
#include "CliOutput.h"
#include "CliText.h"
#include "MonteCarlo.h"
#include "ObserveSchedule.h"
#include "Snowball_PDE.h"
#include "StressGrid.h"
#include "StructureSetup.h"
#include "UnivariateScan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace {

const QString kDateFormat = QStringLiteral("yyyyMMdd");

// The options of a command that prices one structure.
struct StructureCommand
{
    CommonOptions common;
    StructureOptions structure;
};

void addStructureCommandOptions(CLI::App& sub, StructureCommand& o)
{
    addStructureOptions(sub, o.structure);
    addCommonOptions(sub, o.common);
}

// The target the window presets: the spot for a note, 0 for an option.
double defaultTarget(const PreparedStructure& p) { return p.payoffType > 0.5 ? 0.0 : p.terms.params.S0; }

double targetOption(const std::string& text, const PreparedStructure& p)
{
    return text.empty() ? defaultTarget(p) : numberOption(text, "--target");
}

double priceOrRefuse(Snowball_PDE& engine)
{
    const double value = engine.price();
    if (std::isnan(value))
        throw refused("the engine refused the structure (no price)");
    return value;
}

Json commandJson(const char* command)
{
    Json j;
    j["command"] = command;
    return j;
}

Json greeksJson(const GreeksLookup& g, const QDate& date, bool dated)
{
    Json j;
    j["spot"] = g.spot;
    if (dated)
        j["date"] = u8(date.toString(kDateFormat));
    j["tau"] = g.tau;
    j["knocked_in"] = g.knockedIn;
    j["price"] = g.price;
    j["delta"] = g.delta;
    j["gamma"] = g.gamma;
    j["theta"] = g.theta;
    j["vega"] = g.vega;
    j["rho"] = g.rho;
    return j;
}

// ---- price -------------------------------------------------------------------

struct PriceCommand : StructureCommand
{
    bool greeks = false;
    std::string lookupSpot;
    std::string lookupDate;
    bool knockedIn = false;
};

std::string runPrice(const PriceCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    Snowball_PDE engine;
    handOverTo(engine, p);
    const double price = priceOrRefuse(engine);

    GreeksLookup g;
    QDate date;
    if (o.greeks) {
        const double spot = o.lookupSpot.empty() ? p.terms.params.S0 : numberOption(o.lookupSpot, "--lookup-spot");
        date = o.lookupDate.empty() ? o.common.todayDate() : dateOption(o.lookupDate, "--lookup-date");
        g = computeGreeks(engine, p, spot, date, o.knockedIn);
    }

    if (o.common.json) {
        Json j = commandJson("price");
        j["price"] = price;
        if (o.greeks)
            j["greeks"] = greeksJson(g, date, p.dated);
        j["structure"] = structureJson(p);
        return jsonLine(j);
    }
    const int d = o.common.digits;
    KeyValueTable t;
    t.add("price", fixed(price, d));
    if (o.greeks) {
        t.add("lookup spot", general(g.spot));
        if (p.dated)
            t.add("lookup date", u8(date.toString(kDateFormat)));
        t.add("knocked in", g.knockedIn ? "yes" : "no");
        t.add("lookup price", fixed(g.price, d));
        t.add("delta", fixed(g.delta, d));
        t.add("gamma", fixed(g.gamma, d));
        t.add("theta/day", fixed(g.theta, d));
        t.add("vega/pt", fixed(g.vega, d));
        t.add("rho/pt", fixed(g.rho, d));
    }
    return t.text();
}

// ---- solve -------------------------------------------------------------------

struct SolveCommand : StructureCommand
{
    std::string target;
    std::string lo = "0";
    std::string hi = "1";
    std::string solveFor;
};

// The window's message for each result code of the search.
std::string solveFailure(int code)
{
    const std::string prefix = "solve code " + std::to_string(code) + ": ";
    switch (code) {
    case -1:
        return prefix + "未在限定次数内找到解";
    case -2:
        return prefix + "未获得有效解，请提高精度(增大PDE中M)再试";
    case -3:
        return prefix + "错误的目标变量";
    case -4:
        return prefix + "求解区间非单调，或目标不在区间内";
    default:
        return prefix + "在指定区间未能找到合适参数";
    }
}

std::string runSolve(const SolveCommand& o)
{
    // The window's interval solve checks only the spot among the levels.
    const PreparedStructure p = prepareStructure(o.structure, o.common, true);
    const double target = targetOption(o.target, p);
    const double lo = numberOption(o.lo, "--lo");
    const double hi = numberOption(o.hi, "--hi");
    const int index = o.solveFor == "vol" ? Snowball_PDE::Sigma : Snowball_PDE::CouponAndDiv;

    Snowball_PDE engine;
    handOverTo(engine, p);
    double result = 0;
    const int code = engine.solve_param(target, index, &result, lo, hi);
    if (code == -3)
        throw badInput(solveFailure(code));
    if (code != 0)
        throw refused(solveFailure(code));

    // The window writes the solution in percent with one decimal.
    const std::string field = u8(QString::number(result * 100, 'f', 1));
    if (o.common.json) {
        Json j = commandJson("solve");
        j["for"] = o.solveFor;
        j["code"] = code;
        j["value"] = result;
        j["percent"] = field;
        j["target"] = target;
        j["lo"] = lo;
        j["hi"] = hi;
        return jsonLine(j);
    }
    KeyValueTable t;
    t.add("for", o.solveFor);
    t.add("value", precise(result));
    t.add(o.solveFor == "vol" ? "波动率(%)" : "敲出票息(%)", field);
    t.add("target", general(target));
    return t.text();
}

// ---- scan --------------------------------------------------------------------

struct ScanCommand : StructureCommand
{
    int param = 3;
    std::string from, to, step;
    std::string target;
};

// The univariate panel's default range of each term.
RangeSpec defaultScanRange(int index)
{
    static const RangeSpec ranges[] = {{100, 110, 5}, {80, 90, 1},  {0, 0.5, 0.05},
                                       {0, 1, 0.05},  {0, 0.3, 0.05}, {0, 0.3, 0.05}};
    return ranges[index];
}

std::string runScan(const ScanCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    const RangeSpec defaults = defaultScanRange(o.param);
    const double from = o.from.empty() ? defaults.start : numberOption(o.from, "--from");
    const double to = o.to.empty() ? defaults.end : numberOption(o.to, "--to");
    const double step = o.step.empty() ? defaults.step : numberOption(o.step, "--step");
    const double target = targetOption(o.target, p);

    Snowball_PDE engine;
    handOverTo(engine, p);
    const ScanResult r = univariate_scan(engine, o.param, from, to, step, target);
    switch (r.failure) {
    case ScanFailure::None:
        break;
    case ScanFailure::NoPoints:
        throw badInput("--step: no point from --from to --to at this step");
    case ScanFailure::TooManyPoints:
        throw badInput("--step: more than " + std::to_string(kMaxGridPoints) + " points");
    case ScanFailure::NotInitialised:
    case ScanFailure::PriceFailed:
        throw refused("无法对结构进行定价 at value " + full(r.values.empty() ? from : r.values.back()));
    case ScanFailure::NoNearest:
        throw refused("无法确定边界: no finite price in the scan");
    }
    const double nearestValue = r.values[static_cast<std::size_t>(r.best)];
    const double nearestPrice = r.prices[static_cast<std::size_t>(r.best)];

    if (o.common.json) {
        Json j = commandJson("scan");
        j["param"] = o.param;
        j["target"] = target;
        j["step"] = r.step;
        j["capped"] = r.capped;
        Json points = Json::array();
        for (std::size_t i = 0; i < r.values.size(); ++i)
            points.push_back(Json{{"value", r.values[i]}, {"price", r.prices[i]}});
        j["points"] = points;
        j["nearest"] = Json{{"value", nearestValue}, {"price", nearestPrice},
                            {"deviation", std::fabs(target - nearestPrice)}};
        return jsonLine(j);
    }
    std::string out = "value,price\n";
    for (std::size_t i = 0; i < r.values.size(); ++i)
        out += general(r.values[i]) + "," + fixed(r.prices[i], o.common.digits) + "\n";
    out += "nearest," + general(nearestValue) + "," + fixed(nearestPrice, o.common.digits) + "\n";
    return out;
}

// ---- stress ------------------------------------------------------------------

struct StressCommand : StructureCommand
{
    std::string prices = "70:130:10";
    std::string vols = "0.05:0.5:0.05";
    std::string days = "100";
    std::string out;
};

GridAxis stressAxis(const std::string& text, const char* option)
{
    const RangeSpec r = rangeOption(text, option);
    const int count = grid_point_count(r.start, r.end, r.step);
    if (count < 1)
        throw badInput(std::string(option) + ": no point from START to END at STEP");
    if (count > kMaxGridPoints)
        throw badInput(std::string(option) + ": more than " + std::to_string(kMaxGridPoints) + " points");
    return GridAxis{r.start, r.step, count};
}

// One table of the stress data file, as the stress panel exports it.
std::string stressTable(const char* name, const StressMatrix& m, const GridAxis& prices, const GridAxis& vols)
{
    std::string out = std::string(name) + "\n情景";
    for (int c = 0; c < prices.count; ++c)
        out += "," + general(prices.at(c));
    out += "\n";
    for (int r = 0; r < vols.count; ++r) {
        out += u8(QString::number(vols.at(r) * 100.0, 'g', 6)) + "%";
        for (int c = 0; c < prices.count; ++c)
            out += "," + fixed(m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)], 3);
        out += "\n";
    }
    return out + "\n\n";
}

std::string runStress(const StressCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    const GridAxis prices = stressAxis(o.prices, "--prices");
    const GridAxis vols = stressAxis(o.vols, "--vols");
    const int days = integerOption(o.days, "--days");
    if (days < 0)
        throw badInput("--days: the remaining trading days cannot be negative");
    const double tau = days / 252.0;  // the stress panel's reading of "交易日:"

    Snowball_PDE engine;
    handOverTo(engine, p);
    priceOrRefuse(engine);  // a structure the engine refuses would give tables of nan
    StressResult result;
    const StressStatus status = run_stress_grid(engine, prices, vols, tau, result);
    if (status != StressStatus::Ok)
        throw refused("the engine could not compute the stress grid");

    // Tables in the order the stress data file holds them.
    const std::string data = stressTable("Delta", result.delta, prices, vols) +
                             stressTable("Gamma", result.gamma, prices, vols) +
                             stressTable("TV", result.tv, prices, vols);
    std::string stdoutText = data;
    if (o.common.json) {
        Json j = commandJson("stress");
        std::vector<double> priceAxis, volAxis;
        for (int c = 0; c < prices.count; ++c)
            priceAxis.push_back(prices.at(c));
        for (int r = 0; r < vols.count; ++r)
            volAxis.push_back(vols.at(r));
        j["prices"] = priceAxis;
        j["vols"] = volAxis;
        j["days"] = days;
        j["tau"] = tau;
        j["tv"] = result.tv;
        j["delta"] = result.delta;
        j["gamma"] = result.gamma;
        stdoutText = jsonLine(j);
    }
    if (!o.out.empty()) {
        writeFileAtomically(o.out, data, false);
        if (!o.common.json)
            stdoutText.clear();
    }
    return stdoutText;
}

// ---- mc ----------------------------------------------------------------------

struct McCommand : StructureCommand
{
    int paths = 50000;
    int stepsPerYear = 252;
};

std::string runMc(const McCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    const StructureTerms& t = p.terms;
    const double value = price_monte_carlo(t.params.S0, t.obs_times, t.ko_barrier, t.ko_coupon, t.ki_barrier,
                                           t.floor_price, t.call_strike, t.call_participation, t.params.r,
                                           t.params.sigma, t.params.T, o.stepsPerYear, o.paths);
    if (std::isnan(value))
        throw refused("the Monte Carlo pricer refused the structure (no price)");
    if (o.common.json) {
        Json j = commandJson("mc");
        j["price"] = value;
        j["paths"] = o.paths;
        j["steps_per_year"] = o.stepsPerYear;
        return jsonLine(j);
    }
    KeyValueTable table;
    table.add("mc price (% of notional)", fixed(value, o.common.digits));
    table.add("paths", std::to_string(o.paths));
    table.add("steps per year", std::to_string(o.stepsPerYear));
    return table.text();
}

// ---- schedule ----------------------------------------------------------------

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
        j["start"] = u8(s.start.toString(kDateFormat));
        j["expiry"] = u8(s.expiry.toString(kDateFormat));
        j["dates"] = u8(s.dates);
        j["count"] = s.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts).size();
        j["trading_days"] = trd_calendar().count_trading_days(dateToInt(s.start), dateToInt(s.expiry), 1);
        return jsonLine(j);
    }
    return u8(s.dates) + "\n";
}

// ---- grid --------------------------------------------------------------------

struct GridCommand : StructureCommand
{
    std::string out;
};

// A grid as rows from the lowest price node up, one value per time column.
std::vector<std::vector<double>> rows(const NEWMAT::Matrix& grid)
{
    std::vector<std::vector<double>> out(static_cast<std::size_t>(grid.Nrows()));
    const double* cells = grid.Store();
    for (int r = 0; r < grid.Nrows(); ++r)
        out[static_cast<std::size_t>(r)].assign(cells + static_cast<long>(r) * grid.Ncols(),
                                                cells + static_cast<long>(r + 1) * grid.Ncols());
    return out;
}

std::string runGrid(const GridCommand& o)
{
    const PreparedStructure p = prepareStructure(o.structure, o.common, false);
    Snowball_PDE engine;
    handOverTo(engine, p);
    if (std::isnan(engine.price_with_grids()))
        throw refused("the engine refused the structure (no price)");

    // The engine appends its blocks to a file; let it write a private one,
    // then append that whole to the target in one step.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw badInput("cannot create a temporary folder for the grids");
    const QByteArray scratch = QFile::encodeName(dir.filePath(QStringLiteral("grids.txt")));
    engine.export_matrices(scratch.constData());
    QFile file(QString::fromLocal8Bit(scratch));
    if (!file.open(QIODevice::ReadOnly))
        throw badInput("cannot read back the grids");
    const QByteArray blocks = file.readAll();
    const bool complete = blocks.count("MATRIX:") == (engine.has_ki_grid ? 2 : 1);
    if (!complete)
        throw badInput("cannot write the grids");
    const std::string text(blocks.constData(), static_cast<std::size_t>(blocks.size()));
    if (!o.out.empty())
        writeFileAtomically(o.out, text, true);
    if (o.common.json) {
        Json j = commandJson("grid");
        j["dS"] = engine.dS;
        j["dt"] = engine.dt;
        j["Price"] = rows(engine.Price);
        if (engine.has_ki_grid)
            j["Price_KI"] = rows(engine.Price_KI);
        return jsonLine(j);
    }
    return o.out.empty() ? text : std::string();
}

template <class Options>
CommandRun bind(std::shared_ptr<Options> options, std::string (*run)(const Options&))
{
    return [options, run]() { return run(*options); };
}

}  // namespace

GreeksLookup computeGreeks(Snowball_PDE& engine, const PreparedStructure& p, double spot, const QDate& date,
                           bool knockedIn)
{
    // The window would read today's column for a date after the expiry (a
    // negative remaining time) and NaN off the grid; a script hears about both.
    const double smax = p.terms.params.S_max;
    if (!(spot >= 0 && spot <= smax))
        throw badInput("--lookup-spot: " + general(spot) + " lies outside the price grid 0.." + general(smax));
    if (p.dated && date > p.schedule.expiry)
        throw badInput("--lookup-date: " + u8(date.toString(kDateFormat)) + " lies after the expiry " +
                       u8(p.schedule.expiry.toString(kDateFormat)));
    if (!engine.calculate())
        throw refused("the engine refused the Greeks runs (no price)");
    if (!engine.create_Greeks())
        throw refused("the engine could not build the Greek grids");

    GreeksLookup g;
    g.spot = spot;
    g.knockedIn = knockedIn;
    const double Y = p.yearDays;
    g.tau = p.dated ? year_fraction(dateToInt(date), dateToInt(p.schedule.expiry), Y) : p.terms.params.T;
    g.price = engine.lookup_price(spot, g.tau, knockedIn);
    if (std::isnan(g.price))
        throw refused("the engine gave no value at the lookup spot and date");
    g.delta = engine.lookup_delta(spot, g.tau, knockedIn);
    g.gamma = engine.lookup_gamma(spot, g.tau, knockedIn);
    g.theta = engine.lookup_theta(spot, g.tau, knockedIn) / Y;
    g.vega = engine.lookup_vega(spot, g.tau, knockedIn) * 0.01;
    g.rho = engine.lookup_rho(spot, g.tau, knockedIn) * 0.01;
    return g;
}

CommandRun addPriceCommand(CLI::App& app)
{
    auto o = std::make_shared<PriceCommand>();
    CLI::App* sub = app.add_subcommand("price", "Price the structure (定价), optionally with the Greeks");
    addStructureCommandOptions(*sub, *o);
    sub->add_flag("--greeks", o->greeks, "Also the Greeks (风险指标计算) and the lookup");
    sub->add_option("--lookup-spot", o->lookupSpot, "Spot of the lookup (default: --spot)")->check(NumberText)->type_name("NUMBER");
    sub->add_option("--lookup-date", o->lookupDate, "Date of the lookup (default: today)")->check(DateText)->type_name("yyyyMMdd");
    sub->add_flag("--knocked-in", o->knockedIn, "Read the knocked-in grids");
    return bind(o, runPrice);
}

CommandRun addSolveCommand(CLI::App& app)
{
    auto o = std::make_shared<SolveCommand>();
    CLI::App* sub = app.add_subcommand("solve", "Solve volatility or coupon for a target price (区间求解)");
    addStructureCommandOptions(*sub, *o);
    sub->add_option("--for", o->solveFor, "vol (波动率) or coupon (红利&敲出票息)")
        ->required()
        ->check(CLI::IsMember({"vol", "coupon"}));
    sub->add_option("--lo", o->lo, "Lower end of the interval, a decimal (0.2 is 20%)")
        ->capture_default_str()
        ->check(NumberText)->type_name("NUMBER");
    sub->add_option("--hi", o->hi, "Upper end of the interval")->capture_default_str()->check(NumberText)->type_name("NUMBER");
    sub->add_option("--target", o->target, "Target price (default: the spot for a note, 0 for an option)")
        ->check(NumberText)->type_name("NUMBER");
    return bind(o, runSolve);
}

CommandRun addScanCommand(CLI::App& app)
{
    auto o = std::make_shared<ScanCommand>();
    CLI::App* sub = app.add_subcommand("scan", "Price against one term (单变量-价格分析), at most 20 points");
    addStructureCommandOptions(*sub, *o);
    sub->add_option("--param", o->param,
                    "Term: 0 敲出价格, 1 敲入价格, 2 敲出票息, 3 波动率, 4 红利票息, 5 红利&敲出票息")
        ->capture_default_str()
        ->check(CLI::Range(0, 5));
    sub->add_option("--from", o->from, "First value, engine units (default: the panel's range of the term)")
        ->check(NumberText)->type_name("NUMBER");
    sub->add_option("--to", o->to, "Last value")->check(NumberText)->type_name("NUMBER");
    sub->add_option("--step", o->step, "Step")->check(NumberText)->type_name("NUMBER");
    sub->add_option("--target", o->target, "Target price (default: the spot for a note, 0 for an option)")
        ->check(NumberText)->type_name("NUMBER");
    return bind(o, runScan);
}

CommandRun addStressCommand(CLI::App& app)
{
    auto o = std::make_shared<StressCommand>();
    CLI::App* sub = app.add_subcommand("stress", "S-σ stress tables Delta, Gamma, TV in the stress data format");
    addStructureCommandOptions(*sub, *o);
    sub->add_option("--prices", o->prices, "Underlying prices START:END:STEP")->capture_default_str()->check(RangeText)->type_name("START:END:STEP");
    sub->add_option("--vols", o->vols, "Volatilities START:END:STEP, decimals")->capture_default_str()->check(RangeText)->type_name("START:END:STEP");
    sub->add_option("--days", o->days, "Remaining trading days (years = days / 252)")
        ->capture_default_str()
        ->check(IntegerText)->type_name("INT");
    sub->add_option("--out", o->out, "Write the stress data file here (replaced whole) instead of stdout");
    return bind(o, runStress);
}

CommandRun addMcCommand(CLI::App& app)
{
    auto o = std::make_shared<McCommand>();
    CLI::App* sub = app.add_subcommand("mc", "Monte Carlo cross-check, in % of the notional");
    addStructureCommandOptions(*sub, *o);
    sub->add_option("--paths", o->paths, "Simulated paths")->capture_default_str()->check(
        CLI::Range(1, 100000000));
    sub->add_option("--steps-per-year", o->stepsPerYear, "Time steps per year")->capture_default_str()->check(
        CLI::Range(1, 100000));
    return bind(o, runMc);
}

CommandRun addScheduleCommand(CLI::App& app)
{
    auto o = std::make_shared<ScheduleCommand>();
    CLI::App* sub = app.add_subcommand("schedule", "The observation schedule text, as the editor generates it");
    addScheduleOptions(*sub, o->schedule);
    addCommonOptions(*sub, o->common);
    return bind(o, runSchedule);
}

CommandRun addGridCommand(CLI::App& app)
{
    auto o = std::make_shared<GridCommand>();
    CLI::App* sub = app.add_subcommand("grid", "The value grids as MATRIX: text blocks");
    addStructureCommandOptions(*sub, *o);
    sub->add_option("--out", o->out, "Append the blocks to this file (default: stdout; with --json the "
                                     "grids go to stdout as JSON)");
    return bind(o, runGrid);
}
