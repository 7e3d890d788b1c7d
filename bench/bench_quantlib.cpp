// Cost of one snowball price against QuantLib's finite-difference barrier
// engine on the same grid sizes: a one-year down-and-out put (strike 100,
// barrier 80, no rebate) with FdBlackScholesBarrierEngine at tGrid = N,
// xGrid = M, next to Snowball_PDE::price() on the window's default structure
// at (M, N). The snowball solves two grids (knocked in and not), and is held
// to at most half of QuantLib's time for its one grid.
//
// QuantLib keeps its own defaults apart from damping: the Douglas scheme
// (theta 1/2) on a log-spot grid. Damping steps are set to 0 so that both
// engines take exactly N time steps. The schemes and grids differ, so this
// compares cost per grid point, not accuracy.
#include "ClassicSnowball.h"
#include "MedianReport.h"
#include "Snowball_PDE.h"

#include <ql/exercise.hpp>
#include <ql/instruments/barrieroption.hpp>
#include <ql/instruments/payoffs.hpp>
#include <ql/pricingengines/barrier/analyticbarrierengine.hpp>
#include <ql/pricingengines/barrier/fdblackscholesbarrierengine.hpp>
#include <ql/processes/blackscholesprocess.hpp>
#include <ql/quotes/simplequote.hpp>
#include <ql/settings.hpp>
#include <ql/termstructures/volatility/equityfx/blackconstantvol.hpp>
#include <ql/termstructures/yield/flatforward.hpp>
#include <ql/time/calendars/nullcalendar.hpp>
#include <ql/time/daycounters/actual365fixed.hpp>

#include <cstdio>
#include <string>

namespace {

namespace ql = QuantLib;  // ext:: is boost or std, as Debian's build chose

// The sizes of the engine benchmarks: the window's default and two large grids.
struct GridSize
{
    int M, N;
    const char* label;
};
constexpr GridSize kSizes[] = {{200, 243, "M200_N243"}, {1000, 1000, "M1000_N1000"}, {2000, 2430, "M2000_N2430"}};

// The down-and-out put under the classic structure's market: spot 100,
// volatility 18%, rate 1.5%, no dividend yield, one year (365 days, Act/365).
struct DownAndOutPut
{
    ql::ext::shared_ptr<ql::GeneralizedBlackScholesProcess> process;
    ql::BarrierOption option;

    DownAndOutPut()
        : process(makeProcess()),
          option(ql::Barrier::DownOut, 80.0, 0.0, ql::ext::make_shared<ql::PlainVanillaPayoff>(ql::Option::Put, 100.0),
                 ql::ext::make_shared<ql::EuropeanExercise>(today() + 365))
    {
    }

    static ql::Date today() { return ql::Date(2, ql::January, 2025); }

    static ql::ext::shared_ptr<ql::GeneralizedBlackScholesProcess> makeProcess()
    {
        ql::Settings::instance().evaluationDate() = today();
        const ql::DayCounter dc = ql::Actual365Fixed();
        ql::Handle<ql::Quote> spot(ql::ext::make_shared<ql::SimpleQuote>(100.0));
        ql::Handle<ql::YieldTermStructure> rate(ql::ext::make_shared<ql::FlatForward>(today(), 0.015, dc));
        ql::Handle<ql::YieldTermStructure> dividend(ql::ext::make_shared<ql::FlatForward>(today(), 0.0, dc));
        ql::Handle<ql::BlackVolTermStructure> vol(
            ql::ext::make_shared<ql::BlackConstantVol>(today(), ql::NullCalendar(), 0.18, dc));
        return ql::ext::make_shared<ql::BlackScholesMertonProcess>(spot, dividend, rate, vol);
    }

    void useFiniteDifferences(int M, int N)
    {
        option.setPricingEngine(ql::ext::make_shared<ql::FdBlackScholesBarrierEngine>(
            process, static_cast<ql::Size>(N), static_cast<ql::Size>(M), 0 /* damping steps */));
    }
};

void snowball_price(benchmark::State& state)
{
    Snowball_PDE e = classicSnowball(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(e.price());
}

void quantlib_fd_barrier(benchmark::State& state)
{
    DownAndOutPut put;
    put.useFiniteDifferences(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        put.option.recalculate();  // the instrument caches its value otherwise
        benchmark::DoNotOptimize(put.option.NPV());
    }
}

void registerBenchmarks()
{
    for (const GridSize& s : kSizes) {
        benchmark::RegisterBenchmark((std::string("snowball_price/") + s.label).c_str(), snowball_price)
            ->Args({s.M, s.N})
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("quantlib_fd_barrier_put/") + s.label).c_str(), quantlib_fd_barrier)
            ->Args({s.M, s.N})
            ->Unit(benchmark::kMillisecond);
    }
}

// QuantLib's values next to the closed form, so that a wrongly set up
// instrument shows before its timing is trusted.
void printQuantLibValues()
{
    DownAndOutPut put;
    put.option.setPricingEngine(ql::ext::make_shared<ql::AnalyticBarrierEngine>(put.process));
    std::printf("\nDown-and-out put, closed form %.6f; FdBlackScholesBarrierEngine (Douglas, no damping):", put.option.NPV());
    for (const GridSize& s : kSizes) {
        put.useFiniteDifferences(s.M, s.N);
        std::printf("  %s %.6f", s.label, put.option.NPV());
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    registerBenchmarks();
    MedianReport reporter;
    reporter.run(argc, argv);
    std::printf("snowball price (two grids) / QuantLib barrier put (one grid), median cpu time (at most 0.5):\n");
    for (const GridSize& s : kSizes) {
        const auto snowball = reporter.cpu_ms.find(std::string("snowball_price/") + s.label);
        const auto quantlib = reporter.cpu_ms.find(std::string("quantlib_fd_barrier_put/") + s.label);
        if (snowball == reporter.cpu_ms.end() || quantlib == reporter.cpu_ms.end())
            continue;
        const double ratio = snowball->second / quantlib->second;
        std::printf("%-12s snowball %9.3f ms   QuantLib %9.3f ms   ratio %.3f   %s\n", s.label, snowball->second,
                    quantlib->second, ratio, ratio <= 0.5 ? "ok" : "OVER");
    }
    printQuantLibValues();
    benchmark::Shutdown();
    return 0;
}
