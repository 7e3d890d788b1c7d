#include "CliEngineTerms.h"

const QStringList& engineTermArgs()
{
    static const QStringList args{"--obs-times", "0.25,0.5,0.75,1", "--T",   "1",  "--N",    "100",    "--M",
                                  "120",         "--ko",             "103_102_101_100", "--coupon", "12", "--ki",
                                  "75",          "--vol",            "25",   "--rate", "2",   "--type", "option",
                                  "--calendar",  "/nonexistent/calendar.csv"};
    return args;
}

SnowballContract engineTermsContract()
{
    SnowballContract c;
    c.obs_times = {0.25, 0.5, 0.75, 1.0}, c.ko_barrier = {103, 102, 101, 100};
    c.ko_coupon.assign(4, 0.12), c.ki_barrier.assign(4, 75.0), c.div_coupon = 0.16, c.form = PayoffForm::Option;
    return c;
}

PDEParams engineTermsParams() { return PDEParams{100, 200, 0.25, 0.02, 0, 1.0, 120, 100}; }
