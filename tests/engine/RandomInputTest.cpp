// Arbitrary terms, grid sizes and call orders: every public entry point ends
// in a number, NaN or false, never in a crash or an exception (this test is
// meant for the sanitizer build as much as for the normal one).
#include "MonteCarlo.h"
#include "RandomStream.h"
#include "Snowball_PDE.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

class Draw
{
public:
    explicit Draw(unsigned seed) : g_(seed) {}

    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_); }

    // Mostly plausible values, sometimes the awkward ones.
    double value(double lo, double hi)
    {
        switch (integer(0, 200)) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return -value(lo, hi);
        case 2: return 0.0;
        case 3: return hi;
        case 4: return 1e300;
        default: return std::uniform_real_distribution<double>(lo, hi)(g_);
        }
    }

    std::vector<double> schedule(std::size_t n, double lo, double hi)
    {
        std::vector<double> v;
        for (std::size_t i = 0; i < n; ++i)
            v.push_back(value(lo, hi));
        return v;
    }

private:
    std::mt19937 g_;
};

TEST(RandomInputs, NoEntryPointCrashesOrThrows)
{
    Draw d(20240501u);
    Snowball_PDE engine;  // reused on purpose: grids of earlier runs stay behind
    int priced = 0;
    int greeks = 0;
    for (int round = 0; round < 400; ++round) {
        const std::size_t n = static_cast<std::size_t>(d.integer(0, 5));
        std::vector<double> obs;
        for (std::size_t k = 1; k <= n; ++k)
            obs.push_back(d.integer(0, 6) == 0 ? d.value(0.0, 1.0) : static_cast<double>(k) / n);
        PDEParams p;
        p.S0 = d.value(50.0, 150.0);
        p.S_max = d.value(150.0, 300.0);
        p.sigma = d.value(0.0, 0.8);
        p.r = d.value(-0.02, 0.1);
        p.q = d.value(0.0, 0.05);
        p.T = d.value(0.1, 2.0);
        p.M = d.integer(-2, 60);
        p.N = d.integer(-1, 40);
        engine.set_structure(obs, d.schedule(n + (d.integer(0, 9) == 0), 80.0, 150.0), d.schedule(n, 0.0, 0.3),
                             d.schedule(n, 0.0, 100.0), d.value(0.0, 0.3), d.value(0.0, 90.0),
                             d.value(0.0, 120.0), d.value(0.0, 2.0), d.value(0.0, 1.0), p);
        SCOPED_TRACE(engine.description());

        double price = 0.0;
        EXPECT_NO_THROW(price = engine.price());
        if (!std::isnan(price)) {
            ++priced;
            EXPECT_EQ(engine.price(), price);  // no state carried between runs
        }
        switch (d.integer(0, 3)) {
        case 0:
            EXPECT_NO_THROW(engine.price_with_grids());
            EXPECT_NO_THROW(engine.create_grid_greeks());
            break;
        case 1: {
            bool calculated = false;
            EXPECT_NO_THROW(calculated = engine.calculate());
            if (calculated) {
                ++greeks;
                EXPECT_TRUE(engine.create_Greeks());
                EXPECT_EQ(engine.Delta.Nrows(), engine.Price.Nrows());
                EXPECT_EQ(engine.Rho_KI.Ncols(), engine.Price.Ncols());
            }
            break;
        }
        case 2:
            EXPECT_NO_THROW(engine.create_Greeks());
            break;
        default:
            engine.set_grid_size(d.integer(-5, 80), d.integer(-5, 80));
            break;
        }
        for (int i = 0; i < 5; ++i) {
            const double S = d.value(0.0, 300.0);
            const double tau = d.value(0.0, 2.0);
            const bool in = d.integer(0, 1) == 1;
            EXPECT_NO_THROW({
                engine.lookup_price(S, tau, in);
                engine.lookup_delta(S, tau, in);
                engine.lookup_gamma(S, tau, in);
                engine.lookup_theta(S, tau, in);
                engine.lookup_vega(S, tau, in);
                engine.lookup_rho(S, tau, in);
            });
            // Outside the grid there is nothing to read.
            const double top = (engine.Price.Nrows() - 1) * engine.dS;
            if (S < 0.0 || !(S <= top)) {
                EXPECT_TRUE(std::isnan(engine.lookup_price(S, tau, false)));
            }
        }
        if (round % 10 == 0) {
            RandomStream stream;
            EXPECT_NO_THROW(price_monte_carlo(stream, p.S0, obs, engine.ko_barrier, engine.ko_coupon,
                                              engine.ki_barrier, engine.floor_price, engine.call_strike,
                                              engine.call_participation, p.r, p.sigma, std::min(p.T, 2.0),
                                              d.integer(-1, 60), d.integer(-1, 30)));
        }
    }
    // The draw must reach the solver and the Greeks often enough to mean something.
    EXPECT_GT(priced, 20);
    EXPECT_GT(greeks, 5);
}

}  // namespace
