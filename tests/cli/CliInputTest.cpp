// The command line is strict: every bad input is one line on stderr naming
// what is wrong, nothing on stdout, and status 2 (bad input) or 1 (the
// engine refuses, a target is out of reach).
#include "CliRun.h"

#include <gtest/gtest.h>

namespace {

struct BadInput
{
    const char* name;
    QStringList args;
    int status;
    const char* message;  // part of the stderr line
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

using CliBadInput = ::testing::TestWithParam<BadInput>;

// On a fixed day, so that dated defaults do not move with the calendar.
QStringList onDay(QStringList args) { return args << "--today" << "20240115"; }

}  // namespace

TEST_P(CliBadInput, OneLineOnStderrNothingOnStdout)
{
    const BadInput& c = GetParam();
    const CliResult r = runCli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_TRUE(r.oneErrorLine()) << r.err;
    EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadInput,
    ::testing::Values(
        BadInput{"not_a_number", {"price", "--vol", "abc"}, 2, "--vol: \"abc\" is not a number"},
        BadInput{"nan_is_no_number", {"price", "--spot", "nan"}, 2, "--spot"},
        BadInput{"list_with_a_word", {"price", "--ko", "103_x_101"}, 2, "--ko"},
        BadInput{"list_with_an_empty_part", {"price", "--ki", "80__75"}, 2, "--ki"},
        BadInput{"unknown_option", {"price", "--volatility", "20"}, 2, "--volatility"},
        BadInput{"unknown_command", {"value"}, 2, "value"}, BadInput{"no_command", {}, 2, "subcommand"},
        BadInput{"date_that_does_not_exist", {"price", "--start", "20250230"}, 2, "--start: \"20250230\""},
        BadInput{"date_in_a_list", {"price", "--dates", "20270308_20271306"}, 2, "--dates"},
        BadInput{"empty_schedule", {"price", "--dates", ""}, 2, "--dates"},
        BadInput{"lock_beyond_the_dates", {"schedule", "--lock", "40"}, 2, "锁定观察数量大于以观察频率取样的日期数量!"},
        BadInput{"start_not_before_the_first_date", {"price", "--start", "20270308", "--dates", "20270308_20270407"},
                 2, "首次敲出观察日小于起始日"},
        BadInput{"date_beyond_the_calendar", {"price", "--dates", "20270308_20991231"}, 2,
                 "20991231 lies outside the trading calendar"},
        BadInput{"knock_in_above_spot", {"price", "--ki", "100"}, 2, "敲入价格应小于标的价格"},
        BadInput{"list_length", {"price", "--ko", "103_102"}, 2, "--ko: 2 values"},
        BadInput{"calendar_missing", {"price", "--calendar", "/nonexistent/cal.csv"}, 2, "--calendar"},
        BadInput{"frequency", {"schedule", "--freq", "daily"}, 2, "--freq"},
        BadInput{"exclusive_schedules", {"price", "--obs-times", "0.5,1", "--dates", "20270308"}, 2, "--obs-times"},
        BadInput{"stress_without_points", {"stress", "--prices", "70:130:0"}, 2, "--prices"},
        BadInput{"scan_without_points", {"scan", "--from", "1", "--to", "0"}, 2, "--step"},
        BadInput{"structure_file_missing", {"batch", "/nonexistent/book.csv"}, 2, "cannot read"},
        BadInput{"no_structure_file", {"batch", "trade_calendar.csv"}, 2, "not a structure file"},
        BadInput{"engine_refuses", {"price", "--M", "0"}, 1, "refused"},
        BadInput{"target_out_of_reach", {"solve", "--for", "vol", "--lo", "0.3", "--hi", "0.5", "--target", "120"},
                 1, "code -4: 求解区间非单调，或目标不在区间内"},
        BadInput{"lookup_off_the_grid", {"price", "--greeks", "--lookup-spot", "500"}, 2, "--lookup-spot"},
        BadInput{"lookup_after_expiry", {"price", "--greeks", "--lookup-date", "20991231"}, 2, "--lookup-date"},
        // Integer options: base 10, no wrap, no clamp, no empty text as 0.
        BadInput{"seed_minus_one", {"mc", "--reference", "--seed", "-1"}, 2, "--seed: \"-1\" is not an integer"},
        BadInput{"seed_exponent", {"mc", "--reference", "--seed", "1e23"}, 2, "--seed: \"1e23\" is not an integer"},
        BadInput{"seed_empty", {"mc", "--reference", "--seed", ""}, 2, "--seed: \"\" is not an integer"},
        BadInput{"seed_beyond_64_bits", {"mc", "--reference", "--seed", "18446744073709551616"}, 2, "--seed"},
        BadInput{"paths_hexadecimal", {"mc", "--paths", "0x10"}, 2, "--paths: \"0x10\" is not an integer"},
        BadInput{"paths_empty", {"mc", "--paths", ""}, 2, "--paths: \"\" is not an integer"},
        BadInput{"threads_negative", {"mc", "--reference", "--threads", "-1"}, 2,
                 "--threads: \"-1\" is not from 0 to 1024"},
        BadInput{"jobs_hexadecimal", {"batch", "book.csv", "--jobs", "0x10"}, 2, "--jobs: \"0x10\" is not an integer"},
        BadInput{"jobs_exponent", {"batch", "book.csv", "--jobs", "1e23"}, 2, "--jobs"},
        BadInput{"jobs_zero", {"batch", "book.csv", "--jobs", "0"}, 2, "--jobs: \"0\" is not from 1 to 1024"},
        // A line feed in what was typed stays out of the one error line.
        BadInput{"line_feed_in_a_value", {"price", "--vol", "1\n2"}, 2, "--vol: \"1 2\" is not a number"},
        BadInput{"range_with_four_parts", {"stress", "--prices", "90:110:10:5"}, 2,
                 "--prices: \"90:110:10:5\" is not START:END:STEP"},
        BadInput{"dates_with_a_frequency", {"price", "--dates", "20270308", "--freq", "周"}, 2, "excludes"},
        BadInput{"repeated_date", onDay({"profile", "--dates", "20240415_20240415"}), 2,
                 "observation date 20240415 appears twice (dates 1 and 2)"},
        // Runs that cannot finish are refused up front.
        BadInput{"grid_too_large", onDay({"price", "--N", "1000000000"}), 2, "more than the limit of"},
        BadInput{"grid_too_slow", onDay({"price", "--N", "100000000"}), 2, "s, more than the limit of 60 s"},
        BadInput{"too_many_paths", onDay({"mc", "--paths", "100000000"}), 2, "more than the limit of 60 s"},
        BadInput{"too_many_columns", onDay({"price", "--obs-times", "1e300"}), 2, "more than a grid can have"},
        BadInput{"greeks_too_slow", onDay({"price", "--greeks", "--M", "20000", "--N", "20000"}), 2,
                 "more than the limit of"},
        // 46 volatilities, each run of which alone would fit.
        BadInput{"stress_too_slow", onDay({"stress", "--vols", "0.05:0.5:0.01", "--M", "1000", "--N", "7000"}), 2,
                 "runs of a 1000 x 7000 grid would take"},
        BadInput{"accurate_too_slow", onDay({"solve", "--accurate", "--for", "vol", "--obs-times", "1000"}), 2,
                 "--accurate: 53 accurate solves over 243000 trading days"},
        BadInput{"reference_too_slow", onDay({"mc", "--reference", "--paths", "100000000"}), 2,
                 "more than the limit of 60 s"},
        // Answers that are no numbers, and the engines' refusals, in every mode.
        BadInput{"price_not_finite", onDay({"price", "--coupon", "1e308"}), 1, "not a finite number"},
        BadInput{"mc_not_finite", onDay({"mc", "--coupon", "1e308", "--paths", "1000"}), 1, "not a finite number"},
        BadInput{"stress_above_the_grid", onDay({"stress", "--prices", "100:300:100"}), 1, "off the grid"},
        BadInput{"accurate_not_finite", onDay({"price", "--accurate", "--coupon", "1e308"}), 1, "not a finite number"},
        BadInput{"accurate_refused", onDay({"price", "--accurate", "--vol", "-5"}), 1,
                 "the volatility must not be negative"},
        BadInput{"accurate_lookup_refused", onDay({"price", "--accurate", "--greeks", "--lookup-date", "20250115"}),
                 1, "no Greeks at the lookup spot and date"},
        BadInput{"accurate_bad_input", onDay({"price", "--accurate", "--ko", "90"}), 2, "敲出价格应大于标的价格"},
        BadInput{"profile_refused", onDay({"profile", "--vol", "-5"}), 1, "(no profile)"},
        BadInput{"accurate_profile_refused", onDay({"profile", "--accurate", "--vol", "-5"}), 1, "(no profile)"},
        BadInput{"reference_refused", onDay({"mc", "--reference", "--vol", "-5", "--paths", "1000"}), 1,
                 "refused the structure"},
        BadInput{"reference_not_finite", onDay({"mc", "--reference", "--coupon", "1e308", "--paths", "1000"}), 1,
                 "not a finite number"},
        // Options of the other Monte Carlo.
        BadInput{"seed_without_reference", onDay({"mc", "--seed", "3"}), 2, "--seed requires --reference"},
        BadInput{"threads_without_reference", onDay({"mc", "--threads", "2"}), 2, "--threads requires --reference"},
        BadInput{"reference_steps", onDay({"mc", "--reference", "--steps-per-year", "12"}), 2, "--steps-per-year"},
        BadInput{"reference_too_few_paths", onDay({"mc", "--reference", "--paths", "2", "--json"}), 2,
                 "--paths: at least 200 paths (100 antithetic pairs)"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

TEST(CliHelp, EveryCommandHasHelpOnStdout)
{
    for (const char* command : {"price", "solve", "scan", "stress", "mc", "schedule", "grid", "batch"}) {
        const CliResult r = runCli({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("kelvara-cli ") + command), std::string::npos) << r.out;
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
}
