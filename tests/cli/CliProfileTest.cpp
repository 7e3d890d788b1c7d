// kelvara-cli profile: the engine's probability profile of the structure,
// design grid or accurate, as one JSON object or a table.
#include "CliEngineTerms.h"
#include "CliRun.h"

#include "AccurateProbabilityProfile.h"
#include "ProbabilityProfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(CliProfile, JsonIsTheEnginesProfileOfTheSameTerms)
{
    const ProbabilityProfile design = probability_profile(engineTermsContract(), engineTermsParams());
    const ProbabilityProfile accurate = probability_profile_accurate(engineTermsContract(), engineTermsParams(), 243);
    ASSERT_TRUE(design.ok() && accurate.ok()) << design.error << accurate.error;

    for (const bool isAccurate : {false, true}) {
        const ProbabilityProfile& f = isAccurate ? accurate : design;
        const CliResult r = runCli(QStringList{"profile", "--json"} + (isAccurate ? QStringList{"--accurate"} :
                                                                                    QStringList{}) +
                                   engineTermArgs());
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::json j = r.json();
        // The price ceiling's figures belong to the design grid; only the accurate mode has error estimates.
        EXPECT_EQ(j.contains("smax_low"), !isAccurate);
        EXPECT_EQ(j.contains("life_error"), isAccurate);
        const nlohmann::json& obs = j["observations"];
        ASSERT_EQ(obs.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(obs[i]["time"].get<double>(), 0.25 * (i + 1));
            EXPECT_EQ(obs[i]["ko_probability"].get<double>(), f.ko_probability[i]);
            if (isAccurate) {
                EXPECT_EQ(obs[i]["ko_error"].get<double>(), f.ko_error[i]);
            }
        }
        EXPECT_EQ(j["maturity_probability"].get<double>(), f.maturity_probability);
        EXPECT_EQ(j["ki_probability"].get<double>(), f.ki_probability);
        EXPECT_EQ(j["loss_probability"].get<double>(), f.loss_probability);
        EXPECT_EQ(j["expected_life"].get<double>(), f.expected_life);
        if (isAccurate) {
            EXPECT_EQ(j["maturity_error"].get<double>(), f.maturity_error);
            EXPECT_EQ(j["ki_error"].get<double>(), f.ki_error);
            EXPECT_EQ(j["loss_error"].get<double>(), f.loss_error);
            EXPECT_EQ(j["life_error"].get<double>(), f.life_error);
        }
    }
}

TEST(CliProfile, DatedStructuresNameEachObservationsDate)
{
    const QTemporaryDir dir;
    const QString dates = QStringLiteral("20240415_20240715_20241015_20250115");
    const QStringList args{"profile", "--json", "--calendar", everyDayCalendar(dir), "--start", "20240115",
                           "--dates", dates, "--ko", "103_102_101_100"};
    for (const QStringList& mode : {QStringList{}, QStringList{"--accurate"}}) {
        const CliResult r = runCli(args + mode);
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::json j = r.json();
        ASSERT_EQ(j["observations"].size(), 4u);
        const QStringList expected = dates.split('_');
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(j["observations"][static_cast<std::size_t>(i)]["date"], expected[i].toStdString());
    }
}

TEST(CliProfile, TableListsEachObservationThenTheSummary)
{
    const CliResult r = runCli(QStringList{"profile", "--digits", "6"} + engineTermArgs());
    ASSERT_EQ(r.status, 0) << r.err;
    const CliResult json = runCli(QStringList{"profile", "--json"} + engineTermArgs());
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json j = json.json();
    const QStringList lines = QString::fromStdString(r.out).split('\n');
    ASSERT_GE(lines.size(), 10);
    // Each row: time, knock-out price, probability and the running total.
    double cumulative = 0;
    const char* const ko[] = {"103", "102", "101", "100"};
    for (int i = 0; i < 4; ++i) {
        const double p = j["observations"][static_cast<std::size_t>(i)]["ko_probability"].get<double>();
        cumulative += p;
        const QStringList cells = lines[i + 1].simplified().split(' ');
        ASSERT_EQ(cells.size(), 4) << lines[i + 1].toStdString();
        EXPECT_EQ(cells[1], ko[i]);
        EXPECT_EQ(cells[2], QString::number(p, 'f', 6));
        EXPECT_EQ(cells[3], QString::number(cumulative, 'f', 6));
    }
    EXPECT_TRUE(contains(r.out, QString::number(j["maturity_probability"].get<double>(), 'f', 6).toStdString() +
                                    "\n"));

    // The design mode says whose figures these are; the accurate mode has nothing to add.
    EXPECT_TRUE(contains(r.out, "\n\nnote: the figures are the design grid's")) << r.out;
    EXPECT_TRUE(contains(r.out, "--accurate gives the contract's\n")) << r.out;

    const CliResult accurate = runCli(QStringList{"profile", "--accurate"} + engineTermArgs());
    ASSERT_EQ(accurate.status, 0) << accurate.err;
    EXPECT_TRUE(contains(accurate.out, "error estimate")) << accurate.out;
    EXPECT_FALSE(contains(accurate.out, "note:")) << accurate.out;
}

