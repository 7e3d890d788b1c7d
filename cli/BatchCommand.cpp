#include "BatchCommand.h"

#include "CliCalendar.h"
#include "CliError.h"
#include "CliOutput.h"
#include "CliText.h"
#include "CommandSupport.h"
#include "CsvBlockFile.h"
#include "Snowball_PDE.h"
#include "StructureRecord.h"
#include "StructureSetup.h"

#include <QFile>

#include <cstdio>
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
};

// One data line of the file and where it stood.
struct DataLine
{
    int lineNumber = 0;
    std::string text;
};

std::string withoutCr(std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// The data lines of a structure file: the declaration must open it; the
// declaration lines that each save repeats, comments and blank lines are
// skipped.
std::vector<DataLine> dataLines(const std::string& path)
{
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        throw badInput("batch: cannot read " + path);
    std::istringstream in(file.readAll().toStdString());
    std::string line;
    if (!std::getline(in, line) || withoutCr(line) != kStructureRecordHeader)
        throw badInput("batch: " + path + " is not a structure file (its first line is not the record declaration)");
    std::vector<DataLine> lines;
    int number = 1;
    while (std::getline(in, line)) {
        ++number;
        line = withoutCr(line);
        if (line == kStructureRecordHeader || blank(line) || line[0] == '#')
            continue;
        lines.push_back(DataLine{number, line});
    }
    if (lines.empty())
        throw badInput("batch: " + path + " holds no records");
    return lines;
}

QDate recordDate(std::int32_t value, const char* column)
{
    const QDate d = QDate::fromString(QString::number(value), QStringLiteral("yyyyMMdd"));
    if (!d.isValid())
        throw badInput(std::string(column) + " " + std::to_string(value) + " is not a date");
    return d;
}

// A record's numbers as texts that read back to the same doubles, so that
// they go through the window's conversion unchanged.
QString text(double value) { return QString::fromStdString(full(value)); }

struct RecordResult
{
    std::int32_t no = 0;
    std::int64_t enquiryId = 0;
    double price = 0;
    GreeksLookup greeks;
};

RecordResult priceRecord(const CsvBlockFile& csv, const BatchOptions& o)
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

    PreparedStructure p = prepareDated(useTradingCalendar(o.common.calendar), t, schedule, m.payoffForm(), false);
    p.trace = o.common.verbose;
    Snowball_PDE engine;
    handOverTo(engine, p);
    r.price = priceOrRefuse(engine);
    if (o.greeks) {
        const QDate date = o.lookupDate.empty() ? o.common.todayDate() : dateOption(o.lookupDate, "--lookup-date");
        r.greeks = computeGreeks(engine, p, p.terms.params.S0, date, o.knockedIn);
    }
    return r;
}

std::string csvLine(const RecordResult& r, bool greeks)
{
    std::string line = std::to_string(r.no) + "," + std::to_string(r.enquiryId) + "," + full(r.price);
    if (greeks) {
        for (double v : {r.greeks.delta, r.greeks.gamma, r.greeks.theta, r.greeks.vega, r.greeks.rho})
            line += "," + full(v);
    }
    return line + "\n";
}

Json recordJson(int number, const RecordResult& r, bool greeks)
{
    Json j;
    j["command"] = "batch";
    j["record"] = number;
    j["NO"] = r.no;
    j["EnquiryID"] = r.enquiryId;
    j["price"] = r.price;
    if (greeks) {
        j["delta"] = r.greeks.delta;
        j["gamma"] = r.greeks.gamma;
        j["theta"] = r.greeks.theta;
        j["vega"] = r.greeks.vega;
        j["rho"] = r.greeks.rho;
    }
    return j;
}

std::string runBatch(const BatchOptions& o)
{
    // Options that every record shares are checked before the first record.
    if (!o.lookupDate.empty())
        dateOption(o.lookupDate, "--lookup-date");
    o.common.todayDate();
    if (integerOption(o.market.yearDays, "--year-days") <= 0)
        throw badInput("--year-days: must be positive");
    const std::vector<DataLine> lines = dataLines(o.file);
    useTradingCalendar(o.common.calendar);

    std::string out;
    if (!o.common.json)
        out = o.greeks ? "NO,EnquiryID,price,delta,gamma,theta,vega,rho\n" : "NO,EnquiryID,price\n";
    int failed = 0;
    ProgressBar bar(static_cast<int>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const DataLine& line = lines[i];
        try {
            if (line.text.size() > static_cast<std::size_t>(CsvBlockFile::kMaxLineLength))
                throw badInput("the line is longer than " + std::to_string(CsvBlockFile::kMaxLineLength) +
                               " characters");
            CsvBlockFile csv;
            std::istringstream in(std::string(kStructureRecordHeader) + "\n" + line.text + "\n");
            if (!csv.read(in, kStructureRecordHeader, true) || csv.recordCount() != 1)
                throw badInput("the line cannot be read as a record");
            const RecordResult r = priceRecord(csv, o);
            out += o.common.json ? jsonLine(recordJson(number, r, o.greeks)) : csvLine(r, o.greeks);
        } catch (const std::exception& e) {
            // One record's failure (bad fields, engine refusal, memory) never stops the book.
            ++failed;
            bar.clear();
            std::fprintf(stderr, "error: record %d (line %d): %s\n", number, line.lineNumber, e.what());
        }
        bar.step(number);
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
    return [o]() { return runBatch(*o); };
}
