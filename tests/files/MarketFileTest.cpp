// The market files: what a good file gives (comments, a byte order mark,
// CR LF, percentages as decimals, both key kinds) and every refusal, each
// naming the file, the line and what is wrong.
#include "MarketFile.h"

#include <gtest/gtest.h>

namespace {

TEST(MarketFile, ReadsEachKind)
{
    const MarketFileRead rates = readMarketBytes(
        "\xEF\xBB\xBF# zero rates\r\npoint,rate_pct\r\n20250301,2.5\r\n\r\n# later\r\n20260105,-0.5\r\n",
        "r.csv", MarketFileKind::Rates);
    ASSERT_TRUE(rates.ok) << rates.message.toStdString();
    ASSERT_EQ(rates.table.keys.size(), 2u);
    EXPECT_TRUE(rates.table.keys[0].is_date);
    EXPECT_EQ(rates.table.keys[1].date, 20260105);
    EXPECT_EQ(rates.table.keys[1].line, 6);
    EXPECT_DOUBLE_EQ(rates.table.values[0][0], 0.025);
    EXPECT_DOUBLE_EQ(rates.table.values[1][0], -0.005);

    const MarketFileRead futures =
        readMarketBytes("point , price\n0.25,3510.2\n1.0,3490\n", "f.csv", MarketFileKind::Futures);
    ASSERT_TRUE(futures.ok) << futures.message.toStdString();
    EXPECT_FALSE(futures.table.keys[0].is_date);
    EXPECT_DOUBLE_EQ(futures.table.keys[1].years, 1.0);
    EXPECT_DOUBLE_EQ(futures.table.values[0][0], 3510.2);

    const MarketFileRead grid =
        readMarketBytes("point,80,100,120\n0.5,30,20,15\n1.5,25,20,18\n", "lv.csv", MarketFileKind::LocalVolatility);
    ASSERT_TRUE(grid.ok) << grid.message.toStdString();
    EXPECT_EQ(grid.table.levels, (std::vector<double>{80, 100, 120}));
    EXPECT_EQ(grid.table.values[1], (std::vector<double>{0.25, 0.2, 0.18}));
}

TEST(MarketFile, RefusesNamingFileLineAndWhat)
{
    struct Row
    {
        MarketFileKind kind;
        const char* text;
        const char* says;  // after "bad.csv"
    };
    const Row rows[] = {
        {MarketFileKind::Rates, "point,rate\n0.5,2\n", " line 1: the header must be \"point,rate_pct\""},
        {MarketFileKind::VolatilityCurve, "point,rate_pct\n0.5,2\n", " line 1: the header must be \"point,vol_pct\""},
        {MarketFileKind::LocalVolatility, "level,80,100\n", " line 1: the header must be \"point,L1"},
        {MarketFileKind::Rates, "point,rate_pct\n1.0,2\n0.5,2\n", " line 3: the key 0.5 does not come after the one on line 2"},
        {MarketFileKind::Rates, "point,rate_pct\n20250301,2\n20250301,2\n", " line 3: the key 20250301 does not come after"},
        {MarketFileKind::Rates, "point,rate_pct\n20250301,2\n1.5,2\n", " line 3: the key 1.5 mixes dates and year fractions"},
        {MarketFileKind::Rates, "point,rate_pct\n0.0,2\n", " line 2: the key 0.0 is at or before the valuation date"},
        {MarketFileKind::Rates, "point,rate_pct\n20250231,2\n", " line 2: the key \"20250231\" is neither a date"},
        {MarketFileKind::Rates, "point,rate_pct\n1,2\n", " line 2: the key \"1\" is neither a date"},
        {MarketFileKind::Rates, "point,rate_pct\n0.5,two\n", " line 2: \"two\" is not a number"},
        {MarketFileKind::Futures, "point,price\n0.5,nan\n", " line 2: \"nan\" is not a number"},
        {MarketFileKind::Rates, "point,rate_pct\n0.5,100.5\n", " line 2: the rate 100.5 % lies beyond +-100 %"},
        {MarketFileKind::Rates, "point,rate_pct\n# c\n0.5,-101\n", " line 3: the rate -101 % lies beyond"},
        {MarketFileKind::VolatilityCurve, "point,vol_pct\n0.5,0\n", " line 2: the volatility 0 % is not in (0, 500] %"},
        {MarketFileKind::VolatilityCurve, "point,vol_pct\n0.5,500.1\n", " line 2: the volatility 500.1 %"},
        {MarketFileKind::LocalVolatility, "point,80,100\n0.5,20,-1\n", " line 2: the volatility -1 %"},
        {MarketFileKind::Futures, "point,price\n0.5,0\n", " line 2: the futures price 0 is not above 0"},
        {MarketFileKind::LocalVolatility, "point,80,80\n", " line 1: the levels must increase (80 after 80)"},
        {MarketFileKind::LocalVolatility, "point,100,80\n", " line 1: the levels must increase"},
        {MarketFileKind::LocalVolatility, "point,80,x\n", " line 1: \"x\" is not a number"},
        {MarketFileKind::LocalVolatility, "point,80,100\n0.5,20,30\n1.0,20\n", " line 3: 1 values where the header asks for 2"},
        {MarketFileKind::Rates, "point,rate_pct\n0.5,2,3\n", " line 2: 2 values where the header asks for 1"},
        {MarketFileKind::Rates, "", " is empty"},
        {MarketFileKind::Rates, "# only a comment\n\n", " is empty"},
        {MarketFileKind::Rates, "point,rate_pct\n# nothing\n", " holds no points"},
        {MarketFileKind::VolatilitySurface, "expiry,strike\n", " line 1: the header must be \"expiry,strike,vol_pct\""},
        {MarketFileKind::VolatilitySurface, "expiry,strike,vol_pct\n0.5,-90,20\n", " line 2: the strike -90 is not"},
        {MarketFileKind::VolatilitySurface, "expiry,strike,vol_pct\n0.5,90,600\n", " line 2: the volatility 600 %"},
        {MarketFileKind::VolatilitySurface, "expiry,strike,vol_pct\n0.5,90,20\n20250301,90,20\n", " line 3: the key 20250301 mixes"},
    };
    for (const Row& r : rows) {
        const MarketFileRead read = readMarketBytes(r.text, QStringLiteral("bad.csv"), r.kind);
        EXPECT_FALSE(read.ok) << r.text;
        EXPECT_TRUE(read.message.startsWith(QStringLiteral("bad.csv") + QString::fromUtf8(r.says)))
            << r.text << " -> " << read.message.toStdString();
    }
    const MarketFileRead missing = readMarketFile(QStringLiteral("/nonexistent/r.csv"), MarketFileKind::Rates);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.message.contains(QStringLiteral("/nonexistent/r.csv")));
}

// Market files are read as any file a user names: what is not a regular file
// is named for what it is (not taken as an empty file), for every kind.
TEST(MarketFile, ReadsOnlyRegularFiles)
{
    for (MarketFileKind kind : {MarketFileKind::Rates, MarketFileKind::VolatilitySurface}) {
        for (const char* path : {"/dev/null", "/tmp"}) {
            const MarketFileRead read = readMarketFile(QString::fromUtf8(path), kind);
            EXPECT_FALSE(read.ok);
            EXPECT_TRUE(read.message.startsWith(QString::fromUtf8(path) + QStringLiteral(" is not a regular file")))
                << read.message.toStdString();
        }
    }
}

TEST(MarketFile, SurfaceQuotesInAnyOrderAndAGridWrittenReadsBack)
{
    const MarketFileRead quotes = readMarketBytes("expiry,strike,vol_pct\n1.0,90,22.5\n0.5,90,24\n0.5,95,23\n",
                                                  "q.csv", MarketFileKind::VolatilitySurface);
    ASSERT_TRUE(quotes.ok) << quotes.message.toStdString();
    EXPECT_DOUBLE_EQ(quotes.table.keys[1].years, 0.5);
    EXPECT_EQ(quotes.table.values[0], (std::vector<double>{90, 0.225}));

    // Whole years keep a decimal point (else they read as dates); every number round-trips.
    const std::vector<double> levels{80, 100.5, 120}, times{1.0 / 243, 1.0, 2.0};
    const std::vector<std::vector<double>> rows{{0.3, 0.2, 1.0 / 7}, {0.25, 0.2, 0.18}, {0.21, 0.2, 0.19}};
    const MarketFileRead back =
        readMarketBytes(localVolGridCsv(levels, times, rows), "lv.csv", MarketFileKind::LocalVolatility);
    ASSERT_TRUE(back.ok) << back.message.toStdString();
    EXPECT_EQ(back.table.levels, levels);
    ASSERT_EQ(back.table.keys.size(), 3u);
    for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_FALSE(back.table.keys[j].is_date);
        EXPECT_EQ(back.table.keys[j].years, times[j]);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(back.table.values[j][i], rows[j][i], 1e-16) << j << " " << i;
    }
}

}  // namespace
