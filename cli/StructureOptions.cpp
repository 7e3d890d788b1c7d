#include "StructureOptions.h"

#include "CliText.h"

QDate CommonOptions::todayDate() const { return today.empty() ? QDate::currentDate() : dateOption(today, "--today"); }

void addCommonOptions(CLI::App& app, CommonOptions& o)
{
    app.add_option("--calendar", o.calendar,
                   "Trading calendar file (default: ./trade_calendar.csv, else the copy shipped with the program)");
    app.add_option("--today", o.today, "Today's date for the defaults and lookups (default: the system date)")
        ->check(DateText)
        ->type_name("yyyyMMdd");
    app.add_flag("--json", o.json, "One JSON object per result, numbers at full precision");
    app.add_flag("--verbose", o.verbose, "Show the engine's own trace on standard error");
    app.add_option("--digits", o.digits, "Decimals in the table output")
        ->capture_default_str()
        ->transform(integerFromTo(0, 17));
}

void addScheduleOptions(CLI::App& app, ScheduleOptions& o)
{
    app.add_option("--start", o.start, "Start date, rolled onto a trading day (default: today)")
        ->check(DateText)
        ->type_name("yyyyMMdd");
    app.add_option("--expiry", o.expiry, "Expiry date, rolled onto a trading day (default: one year after today)")
        ->check(DateText)
        ->type_name("yyyyMMdd");
    app.add_option("--freq", o.freq, "Knock-out observation frequency")
        ->capture_default_str()
        ->check(CLI::IsMember({"周", "双周", "月", "1W", "2W", "1M"}));
    app.add_option("--lock", o.lock, "Locked observations (the first lock - 1 periods are skipped)")
        ->capture_default_str()
        ->check(IntegerText)
        ->type_name("INT");
}

namespace {

void addMarket(CLI::App& app, StructureOptions& o)
{
    app.add_option("--rate", o.rate, "Risk-free rate (%)")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    app.add_option("--q", o.q, "Dividend yield (%)")->capture_default_str()->check(NumberText)->type_name("NUMBER");
    app.add_option("--type", o.type, "Product type: note (票据) or option (期权)")
        ->capture_default_str()
        ->check(CLI::IsMember({"note", "option"}));
    app.add_option("--M", o.M, "Price steps of the grid")->capture_default_str()->check(IntegerText)->type_name("INT");
    app.add_option("--year-days", o.yearDays, "Trading days per year (PDE年天数)")
        ->capture_default_str()
        ->check(IntegerText)
        ->type_name("INT");
}

}  // namespace

void addStructureOptions(CLI::App& app, StructureOptions& o)
{
    app.add_option("--spot", o.spot, "Underlying price (标的价格)")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    app.add_option("--smax", o.smax, "Top of the price grid (default: 2 x spot)")
        ->check(NumberText)
        ->type_name("NUMBER");
    app.add_option("--vol", o.vol, "Volatility (%)")->capture_default_str()->check(NumberText)->type_name("NUMBER");
    addMarket(app, o);
    app.add_option("--ko", o.ko, "Knock-out price, one value or one per date joined by _")
        ->capture_default_str()
        ->check(ValueListText)
        ->type_name("V1_V2_...");
    app.add_option("--coupon", o.coupon, "Knock-out coupon (%), one value or one per date joined by _")
        ->capture_default_str()
        ->check(ValueListText)
        ->type_name("V1_V2_...");
    app.add_option("--div-coupon", o.divCoupon, "Dividend coupon (%)")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    app.add_option("--ki", o.ki, "Knock-in price, one value or one per date joined by _")
        ->capture_default_str()
        ->check(ValueListText)
        ->type_name("V1_V2_...");
    app.add_option("--floor", o.floor, "Floor price (0: none)")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    app.add_option("--strike", o.strike, "Call strike (0: no participation)")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    app.add_option("--participation", o.participation, "Call participation ratio")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
    app.add_option("--N", o.N, "Time steps of the grid (default: trading days - 1)")
        ->check(IntegerText)
        ->type_name("INT");

    addScheduleOptions(app, o.schedule);
    CLI::Option* dates = app.add_option("--dates", o.dates,
                                        "Observation dates yyyyMMdd joined by _ "
                                        "(expiry defaults to the last one)")
                             ->check(DateListText)
                             ->type_name("D1_D2_...");
    CLI::Option* obs =
        app.add_option("--obs-times", o.obsTimes, "Observation times in years joined by , (engine terms, no calendar)")
            ->check(TimeListText)
            ->type_name("T1,T2,...");
    CLI::Option* T = app.add_option("--T", o.T, "Maturity in years with --obs-times (default: the last time)")
                         ->check(NumberText)
                         ->type_name("NUMBER");
    T->needs(obs);
    dates->excludes("--freq")->excludes("--lock");
    obs->excludes(dates)->excludes("--start")->excludes("--expiry")->excludes("--freq")->excludes("--lock");
}

void addMarketOptions(CLI::App& app, StructureOptions& o)
{
    addMarket(app, o);
    app.add_option("--floor", o.floor, "Floor price for records without one")
        ->capture_default_str()
        ->check(NumberText)
        ->type_name("NUMBER");
}
