// Market files into the engine's model: date keys on the trading calendar
// (trading days from the valuation date / year days, as the observation
// times), the refusals that need the calendar, and the model built from the
// flat fields and the files (with an engine refusal placed on its line).
#include "Calendar.h"
#include "MarketInputs.h"
#include "WeekdayCalendar.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class MarketInputs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Trading days of January 2025 (weekends out) and early February.
        ASSERT_TRUE(loadWeekdays(calendar, dir, "cal.csv", QDate(2025, 1, 2), QDate(2025, 2, 4)));
    }
    QString write(const char* name, const QByteArray& text)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    QTemporaryDir dir;
    Calendar calendar{7};
};

TEST_F(MarketInputs, DateKeysAreTradingDaysOverYearDays)
{
    const MarketFileRead read = readMarketBytes("point,rate_pct\n20250110,2\n20250118,3\n20250204,4\n", "r.csv",
                                                MarketFileKind::Rates);
    ASSERT_TRUE(read.ok);
    std::vector<double> times;
    QString error;
    ASSERT_TRUE(marketKeyTimes(read.table, calendar, 20250106, 10, times, error)) << error.toStdString();
    // 0110 is 4 trading days on; 0118 (a Saturday) counts to the Monday after, 10 days; 0204, 21 days.
    ASSERT_EQ(times.size(), 3u);
    EXPECT_DOUBLE_EQ(times[0], year_fraction(calendar, 20250106, 20250110, 10));
    EXPECT_DOUBLE_EQ(times[0], 0.4);
    EXPECT_DOUBLE_EQ(times[1], 1.0);
    EXPECT_DOUBLE_EQ(times[2], 2.1);

    const struct { const char* text; int valuation; const char* says; } bad[] = {
        {"point,rate_pct\n20250110,2\n20250301,3\n", 20250106, "r.csv line 3: the date 20250301 lies outside the trading calendar"},
        {"point,rate_pct\n20241231,2\n", 20250106, "r.csv line 2: the date 20241231 lies outside"},
        {"point,rate_pct\n20250106,2\n", 20250106, "r.csv line 2: the date 20250106 is at or before the valuation date 20250106"},
        {"point,rate_pct\n20250103,2\n20250110,2\n", 20250106, "r.csv line 2: the date 20250103 is at or before"},
    };
    for (const auto& b : bad) {
        const MarketFileRead r = readMarketBytes(b.text, "r.csv", MarketFileKind::Rates);
        ASSERT_TRUE(r.ok);
        EXPECT_FALSE(marketKeyTimes(r.table, calendar, b.valuation, 10, times, error));
        EXPECT_TRUE(error.startsWith(QString::fromLatin1(b.says))) << error.toStdString();
    }
    Calendar none{8};
    EXPECT_FALSE(marketKeyTimes(read.table, none, 20250106, 10, times, error));
    EXPECT_TRUE(error.contains(QStringLiteral("not loaded"))) << error.toStdString();
}

TEST_F(MarketInputs, BuildsTheModelFromTheFlatFieldsAndTheFiles)
{
    PDEParams flat;
    flat.S0 = 100, flat.sigma = 0.2, flat.r = 0.02, flat.q = 0.01, flat.T = 1.0;
    MarketFiles files;
    files.rates = write("r.csv", "point,rate_pct\n0.5,2\n1.0,3\n");
    files.futures = write("f.csv", "point,price\n1.0,101\n");
    files.localVolatility = write("lv.csv", "point,80,120\n0.5,30,20\n");
    const MarketBuild b = marketFromFiles(files, flat, calendar, 20250106, 243);
    ASSERT_TRUE(b.ok()) << b.message.toStdString();
    EXPECT_EQ(b.model->name(), "local volatility");
    EXPECT_NEAR(b.model->rates().zero_rate(1.0), 0.03, 1e-15);
    EXPECT_NEAR(b.model->dividends().zero_rate(1.0), 0.03 - std::log(1.01), 1e-15);
    EXPECT_NEAR(b.model->local_volatility().sigma_at(100, 0.3), 0.25, 1e-15);

    MarketFiles none;
    const MarketBuild plain = marketFromFiles(none, flat, calendar, 20250106, 243);
    ASSERT_TRUE(plain.ok());
    EXPECT_TRUE(plain.model->is_flat());

    MarketFiles arbitrage;
    arbitrage.volatilityCurve = write("v.csv", "point,vol_pct\n# falls\n0.5,30\n1.0,20\n");
    const MarketBuild refused = marketFromFiles(arbitrage, flat, calendar, 20250106, 243);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message.contains(QStringLiteral("v.csv line 4: point 2"))) << refused.message.toStdString();
    EXPECT_TRUE(refused.message.contains(QStringLiteral("calendar arbitrage")));

    MarketFiles both = files;
    both.dividends = files.rates;
    EXPECT_FALSE(marketFromFiles(both, flat, calendar, 20250106, 243).ok());
}

}  // namespace
