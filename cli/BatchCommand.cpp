#include "BatchCommand.h"

#include "CliCalendar.h"
#include "CliError.h"
#include "CliOutput.h"
#include "CliText.h"
#include "CommandSupport.h"
#include "CalendarFile.h"
#include "CsvBlockFile.h"
#include "InputFile.h"
#include "Pricer.h"
#include "StructureRecord.h"
#include "RunLimits.h"
#include "RunContext.h"
#include "StructureFileLines.h"
#include "StructureNotes.h"
#include "StructureSetup.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <memory>
#include <sstream>

namespace {

using namespace structure_column;

struct BatchOptions
{
    CommonOptions common;
    StructureOptions market;
    std::string file;
    bool greeks = false;
    std::string lookupDate;
    bool knockedIn = false;
    bool accurate = false;
    MarketFileOptions marketFiles;  // the same files for every record, timed and built at each one's start and spot
    int jobs = 0;  // 0: one per core

    PricingMethod method() const { return accurate ? PricingMethod::Accurate : PricingMethod::DesignGrid; }
};

// The data lines of a structure file (BOM and CR LF accepted).
std::vector<StructureFileLine> dataLines(const std::string& path)
{
    const files::InputFile input = files::readInputFile(path);
    if (!input.ok)
        throw badInput("batch: " + input.problem);
    std::istringstream in(input.bytes);
    StructureFileLines file = read_structure_lines(in, path, kStructureRecordHeader);
    if (!file.ok)
        throw badInput("batch: " + file.problem);
    return std::move(file.lines);
}

QDate recordDate(std::int32_t value, const char* column)
{
    // Not QDate::fromString: it asks the time zone for every date, under a
    // process-wide lock that would serialise the workers.
    const QDate d = is_real_date(value) ? QDate(value / 10000, value / 100 % 100, value % 100) : QDate();
    if (!d.isValid())
        throw badInput(std::string(column) + " " + std::to_string(value) + " is not a date");
    return d;
}

// A record's numbers as texts that read back to the same doubles, so that
// they go through the window's conversion unchanged.
QString text(double value) { return QString::fromStdString(full(value)); }

struct RecordResult
{
    StructureNotes notes;
    std::int32_t no = 0;
    std::int64_t enquiryId = 0;
    double price = 0;
    std::optional<double> errorEstimate;  // of price, when the method gives one
    GreeksLookup greeks;
    CommandMarket market;
};

RecordResult priceRecord(const CsvBlockFile& csv, const Calendar& calendar, const BatchOptions& o, std::string& warnings,
                         int number)
{
    RecordResult r;
    r.no = csv.intAt(0, NO);
    r.enquiryId = csv.int64At(0, EnquiryID);

    const StructureOptions& m = o.market;
    StructureTexts t;
    t.S = text(csv.doubleAt(0, OpenPrice));
    t.Smax = defaultSmax(t.S);
    t.vol = text(csv.doubleAt(0, Volatility));
    t.rate = qs(m.rate);
    t.q = qs(m.q);
    t.M = qs(m.M);
    t.yearDays = qs(m.yearDays);
    t.ko = text(csv.doubleAt(0, KnockOut));
    t.coupon = text(csv.doubleAt(0, CouponOut));
    t.ki = text(csv.doubleAt(0, KnockIn));
    t.divCoupon = text(csv.doubleAt(0, CouponDiv));
    const double bottom = csv.doubleAt(0, Bottom);
    t.floor = bottom != 0 ? text(bottom) : qs(m.floor);
    t.strike = text(csv.doubleAt(0, CallStrike));
    t.participation = text(csv.doubleAt(0, PartRate));

    Schedule schedule;
    schedule.start = recordDate(csv.intAt(0, DateBegin), "DateBegin");
    schedule.expiry = recordDate(csv.intAt(0, DateEnd), "DateEnd");
    schedule.dates = QString::fromLatin1(csv.textAt(0, Observe).c_str());

    PreparedStructure p = prepareDated(calendar, t, schedule, m.payoffForm(), false);
    p.trace = o.common.verbose;
    p.method = o.method();
    PricingRequest request = pricingRequest(p.terms, p.form, static_cast<int>(p.yearDays), o.method());
    r.market = loadCommandMarket(o.marketFiles, p, o.method(), "--accurate");
    request.market = r.market.model;
    checkPriceRuns(request, o.greeks);
    r.notes = structureNotes(p);
    warnings = notesText(r.notes, p, "record " + std::to_string(number) + ": ");
    const Valuation v = priceOrRefuse(request);
    r.price = v.value;
    r.errorEstimate = v.error_estimate;
    if (o.greeks) {
        const QDate date = o.lookupDate.empty() ? o.common.todayDate() : dateOption(o.lookupDate, "--lookup-date");
        r.greeks = computeGreeks(request, p, p.terms.params.S0, date, o.knockedIn);
    }
    return r;
}

std::string csvLine(const RecordResult& r, const BatchOptions& o)
{
    const bool greeks = o.greeks;
    std::string line = std::to_string(r.no) + "," + std::to_string(r.enquiryId) + "," + full(r.price);
    if (r.errorEstimate)
        line += "," + full(*r.errorEstimate);
    if (greeks) {
        for (double v : {r.greeks.delta, r.greeks.gamma, r.greeks.theta, r.greeks.vega, r.greeks.rho})
            line += "," + full(v);
    }
    return line + "\n";
}

Json recordJson(int number, const RecordResult& r, const BatchOptions& o)
{
    const bool greeks = o.greeks;
    Json j;
    j["command"] = "batch";
    if (const char* mode = mode_label(o.method()))
        j["mode"] = mode;
    addMarketJson(j, o.marketFiles, r.market);
    j["record"] = number;
    j["NO"] = r.no;
    j["EnquiryID"] = r.enquiryId;
    j["price"] = r.price;
    addErrorEstimate(j, r.errorEstimate);
    addNotes(j, r.notes);
    if (greeks) {
        j["delta"] = r.greeks.delta;
        j["gamma"] = r.greeks.gamma;
        j["theta"] = r.greeks.theta;
        j["vega"] = r.greeks.vega;
        j["rho"] = r.greeks.rho;
    }
    return j;
}

// What one record gives: its output line, or why it failed, and its warnings.
struct RecordOutcome
{
    std::string text;
    std::string error;
    std::string warnings;
};

// One record, start to end; never throws (one record's failure, be it bad
// fields, an engine refusal or memory, never stops the book).
RecordOutcome priceLine(int number, const StructureFileLine& line, const Calendar& calendar, const BatchOptions& o)
{
    RecordOutcome r;
    try {
        if (line.text.size() > static_cast<std::size_t>(CsvBlockFile::kMaxLineLength))
            throw badInput("the line is longer than " + std::to_string(CsvBlockFile::kMaxLineLength) + " characters");
        CsvBlockFile csv;
        std::istringstream in(std::string(kStructureRecordHeader) + "\n" + line.text + "\n");
        if (!csv.read(in, kStructureRecordHeader, true) || csv.recordCount() != 1)
            throw badInput("the line cannot be read as a record");
        const RecordResult result = priceRecord(csv, calendar, o, r.warnings, number);
        r.text = o.common.json ? jsonLine(recordJson(number, result, o)) : csvLine(result, o);
    } catch (const std::exception& e) {
        r.error = e.what();
    }
    return r;
}

std::string runBatch(const BatchOptions& o)
{
    // Options that every record shares are checked before the first record.
    if (!o.lookupDate.empty())
        dateOption(o.lookupDate, "--lookup-date");
    o.common.todayDate();
    if (integerOption(o.market.yearDays, "--year-days") <= 0)
        throw badInput("--year-days: must be positive");
    if (o.marketFiles.any() && !o.accurate)
        loadCommandMarket(o.marketFiles, PreparedStructure(), o.method(), "--accurate");  // refuses
    const std::vector<StructureFileLine> lines = dataLines(o.file);
    RunContext& run = *o.common.run;
    // Loaded before the first record; the workers share it.
    const Calendar& calendar = useTradingCalendar(run, o.common.calendar);

    std::string out;
    if (!o.common.json) {
        out = std::string("NO,EnquiryID,price") + (gives_error_estimate(o.method()) ? ",error_estimate" : "") +
              (o.greeks ? ",delta,gamma,theta,vega,rho\n" : "\n");
    }

    // Each record on its own engine; results kept by index so that the output
    // is in input order whatever the order the workers finish in.
    std::vector<RecordOutcome> outcomes(lines.size());
    const unsigned jobs = static_cast<unsigned>(std::min<std::size_t>(
        o.jobs > 0 ? static_cast<std::size_t>(o.jobs) : std::max(1u, std::thread::hardware_concurrency()),
        lines.size()));
    std::atomic<std::size_t> next{0};
    std::atomic<int> done{0};
    const auto work = [&]() {
        for (std::size_t i = next++; i < lines.size(); i = next++) {
            outcomes[i] = priceLine(static_cast<int>(i) + 1, lines[i], calendar, o);
            ++done;
        }
    };
    std::vector<std::thread> workers;
    for (unsigned k = 1; k < jobs; ++k)
        workers.emplace_back(work);
    {
        ProgressBar bar(static_cast<int>(lines.size()), run.progressBar);
        std::thread progress;
        std::atomic<bool> finished{false};
        if (bar.shown())
            progress = std::thread([&]() {
                while (!finished) {
                    bar.step(done);
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
            });
        work();
        for (std::thread& t : workers)
            t.join();
        finished = true;
        if (progress.joinable())
            progress.join();
    }

    int failed = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const RecordOutcome& r = outcomes[i];
        run.warnings += r.warnings;
        if (!r.error.empty()) {
            ++failed;
            run.errors.push_back("record " + std::to_string(i + 1) + " (line " + std::to_string(lines[i].lineNumber) +
                                 "): " + r.error);
        }
        out += r.text;
    }
    if (failed > 0)
        throw PartialFailure(out, std::to_string(failed) + " of " + std::to_string(lines.size()) + " records failed");
    return out;
}

}  // namespace

CommandRun addBatchCommand(CLI::App& app)
{
    auto o = std::make_shared<BatchOptions>();
    CLI::App* sub = app.add_subcommand("batch", "Price every record of a structure file, one CSV line each");
    sub->add_option("FILE", o->file, "Structure file (typed CSV as the window saves it)")->required();
    addMarketOptions(*sub, o->market);
    addCommonOptions(*sub, o->common);
    sub->add_flag("--greeks", o->greeks, "Also the Greeks at each record's open price");
    sub->add_option("--lookup-date", o->lookupDate, "Date of the lookups (default: today)")
        ->check(DateText)
        ->type_name("yyyyMMdd");
    sub->add_flag("--knocked-in", o->knockedIn, "Read the knocked-in grids");
    addAccurateOption(*sub, o->accurate, o->marketFiles);
    sub->add_option("--jobs", o->jobs, "Records priced at once (default: one per core)")->transform(integerFromTo(1, 1024));
    return bindCommand(o, runBatch);
}
