// Greek grids by finite differences, lookups (interpolation in price, the
// nearest column in time, NaN off the grid) and the matrix export.
#include "EngineTestSupport.h"

#include <fstream>

namespace {

// An engine whose grids are filled by hand: V(S, t) = S^2 + 3 t, V_KI = 2 S - t
// on a grid of M = 4 (dS = 0.5) and N = 5 (dt = 0.2), so every difference is known.
Snowball_PDE hand_filled()
{
    Snowball_PDE e;
    e.params.M = 4;
    e.params.N = 5;
    e.params.T = 1.0;
    e.dS = 0.5;
    e.dt = 0.2;
    e.Price.ReSize(5, 6);
    e.Price_KI.ReSize(5, 6);
    for (int r = 1; r <= 5; ++r) {
        for (int c = 1; c <= 6; ++c) {
            const double S = (r - 1) * 0.5, t = (c - 1) * 0.2;
            e.Price(r, c) = S * S + 3.0 * t;
            e.Price_KI(r, c) = 2.0 * S - t;
        }
    }
    e.Price_vol_up = e.Price + 0.25;
    e.Price_rate_up = e.Price - 0.5;
    e.Price_KI_vol_up = e.Price_KI + 0.125;
    e.Price_KI_rate_up = e.Price_KI;
    return e;
}

TEST(Greeks, FiniteDifferencesAndLookupsOfAKnownGrid)
{
    Snowball_PDE e = hand_filled();
    ASSERT_TRUE(e.create_Greeks());
    for (int c = 1; c <= 6; ++c) {
        for (int r = 2; r <= 4; ++r)
            EXPECT_TRUE(std::fabs(e.Delta(r, c) - (r - 1)) < 1e-12 && std::fabs(e.Gamma(r, c) - 2.0) < 1e-12);
        // One-sided at the edges; Gamma copied from the row inside.
        EXPECT_TRUE(std::fabs(e.Delta(1, c) - 0.5) < 1e-12 && std::fabs(e.Delta(5, c) - 3.5) < 1e-12);
        EXPECT_TRUE(e.Gamma(1, c) == e.Gamma(2, c) && e.Gamma(5, c) == e.Gamma(4, c));
    }
    // Greeks constant in this example, read at the edges and inside through each lookup.
    using S = Snowball_PDE;
    const std::tuple<decltype(&S::lookup_delta), bool, double> flat[] = {
        {&S::lookup_theta, false, 3.0}, {&S::lookup_vega, false, 25.0},  {&S::lookup_rho, false, -50.0},
        {&S::lookup_delta, true, 2.0},  {&S::lookup_gamma, true, 0.0},   {&S::lookup_theta, true, -1.0},
        {&S::lookup_vega, true, 12.5},  {&S::lookup_rho, true, 0.0},
    };
    for (const auto& f : flat)
        for (double at : {0.0, 0.8, 2.0})  // price and remaining time
            EXPECT_NEAR((e.*std::get<0>(f))(at, at / 2.0, std::get<1>(f)), std::get<2>(f), 1e-12) << std::get<2>(f);
    EXPECT_NEAR(e.lookup_gamma(1.0, 1.0, false), 2.0, 1e-12);
    // Theta of the last column repeats the one before it.
    for (int r = 1; r <= 5; ++r)
        e.Price(r, 6) += r;
    ASSERT_TRUE(e.create_Greeks());
    for (int r = 1; r <= 5; ++r)
        EXPECT_EQ(e.Theta(r, 6), e.Theta(r, 5));
    // create_grid_greeks: differences only, sized from params.
    Snowball_PDE grid_only = hand_filled();
    ASSERT_TRUE(grid_only.create_grid_greeks());
    EXPECT_TRUE(std::fabs(grid_only.Gamma(3, 2) - 2.0) < 1e-12 && grid_only.Vega.Nrows() == 0);
}

TEST(Greeks, MismatchedGridsAreRefusedNotIndexed)
{
    Snowball_PDE vol = hand_filled(), ki = hand_filled();
    vol.Price_vol_up.ReSize(3, 6);  // left from a run on another grid size
    ki.Price_KI.ReSize(7, 6);
    EXPECT_TRUE(!vol.create_Greeks() && !ki.create_Greeks() && !ki.create_grid_greeks());
    EXPECT_TRUE(!Snowball_PDE().create_Greeks() && !Snowball_PDE().create_grid_greeks());
    // The real sequence: a good calculate, then a run on another size.
    Snowball_PDE engine = classicSnowball(40, 20, 12);
    ASSERT_TRUE(engine.calculate());
    ASSERT_TRUE(engine.create_Greeks());
    engine.set_grid_size(60, 30);
    engine.price_with_grids();  // only Price/Price_KI change size
    EXPECT_FALSE(engine.create_Greeks());
    EXPECT_TRUE(engine.create_grid_greeks());
}

TEST(Greeks, CalculateGivesBumpedDerivativesAtTheSpot)
{
    Snowball_PDE e = classicSnowball(200, 243, 3);
    const double base = Snowball_PDE(e).price();
    ASSERT_TRUE(e.calculate());
    ASSERT_TRUE(e.create_Greeks());
    EXPECT_TRUE(e.Delta.Nrows() == 201 && e.Rho_KI.Ncols() == 244);
    // Spot 100 is node 100 and tau = T is column 0: the lookups read the nodes.
    EXPECT_EQ(e.lookup_price(100.0, 1.0, false), base);
    EXPECT_NEAR(e.lookup_vega(100.0, 1.0, false), (priceWith(e, Param::Sigma, 0.19) - base) * 100.0, 1e-9);
    Snowball_PDE rate(e);
    rate.params.r += 0.01;
    EXPECT_NEAR(e.lookup_rho(100.0, 1.0, false), (rate.price() - base) * 100.0, 1e-9);
    EXPECT_NEAR(e.lookup_delta(100.0, 1.0, false), (e.Price(102, 1) - e.Price(100, 1)) * 0.5, 1e-12);
}

TEST(Lookup, LinearInPriceNearestInTime)
{
    Snowball_PDE e = hand_filled();  // rows S = 0, 0.5, ..., 2; columns t = 0, 0.2, ..., 1
    const std::tuple<double, double, double> cases[] = {
        {0.0, 1.0, 0.0}, {2.0, 1.0, 4.0}, {0.75, 1.0, 0.625}, {0.6, 1.0, 0.25 + 0.2 * 0.75},
        // tau = T is today, tau = 0 maturity; tau < 0, tau > T and NaN read today.
        {1.0, 0.0, 4.0}, {1.0, -1.0, 1.0}, {1.0, 5.0, 1.0}, {1.0, NAN, 1.0},
        // (T - tau)/dt = 2.5 rounds away from zero to column 3; 2.4 to column 2.
        {1.0, 0.5, 1.0 + 3.0 * 0.6}, {1.0, 0.52, 1.0 + 3.0 * 0.4},
        {2.0001, 1.0, NAN}, {-0.01, 1.0, NAN}, {NAN, 1.0, NAN},  // off the grid
    };
    for (const auto& c : cases) {
        const double v = e.lookup_price(std::get<0>(c), std::get<1>(c), false), expected = std::get<2>(c);
        EXPECT_TRUE(std::isnan(expected) ? std::isnan(v) : std::fabs(v - expected) < 1e-12)
            << std::get<0>(c) << ", " << std::get<1>(c) << ": " << v;
    }
    EXPECT_DOUBLE_EQ(e.lookup_price(0.75, 1.0, true), 1.5);
    // A column the grid does not have (T and N raised after the run).
    e.params.N = 10;
    e.params.T = 2.0;
    EXPECT_TRUE(std::isnan(e.lookup_price(1.0, 0.0, false)) && std::isnan(e.lookup_price(1.0, 0.9, false)));
    EXPECT_TRUE(e.lookup_price(1.0, 1.0, false) == 4.0 && e.lookup_price(1.0, 2.0, false) == 1.0);
    // No grids at all.
    EXPECT_TRUE(std::isnan(Snowball_PDE().lookup_price(50.0, 0.5, false)) &&
                std::isnan(Snowball_PDE().lookup_gamma(0.0, 0.5, true)));
}

TEST(MatrixExport, AppendsBlocksAndReportsAnUnwritablePath)
{
    const std::string path = testing::TempDir() + "kelvara_matrices_" + std::to_string(::getpid()) + ".txt";
    std::remove(path.c_str());
    Snowball_PDE e;
    e.Price.ReSize(2, 3);
    e.Price << 1.0 << -2.5 << 3.14159 << 0.0 << std::nan("") << 1e-5;
    e.Price_KI.ReSize(1, 1);
    e.Price_KI = 7.0;
    EXPECT_TRUE(e.export_matrices(path.c_str()));
    EXPECT_TRUE(e.export_matrices(path.c_str()));
    std::ifstream in(path);
    const std::string written{std::istreambuf_iterator<char>(in), {}};
    const std::string block = "MATRIX:Price\n1.0000, -2.5000, 3.1416, \n0.0000, nan, 0.0000, \n"
                              "MATRIX:Price_KI\n7.0000, \n";
    EXPECT_EQ(written, block + block);
    std::remove(path.c_str());

    const std::string bad = "/nonexistent-kelvara-folder/x.txt";
    std::string trace;
    e.set_trace_hook([&trace](const std::string& line) { trace += line; });
    testing::internal::CaptureStdout();
    EXPECT_FALSE(e.export_matrices(bad.c_str()));  // reported, not thrown
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const std::string line = "Can't open file to write:" + bad + "\n";
    EXPECT_EQ(trace, line + line);  // both blocks are tried
    EXPECT_FALSE(Calculator_PDE::write_matrix(e.Price, bad.c_str(), "Price"));
}

}  // namespace
