// Speed of the implied volatility surface: the fit and local volatility of
// 136 quotes (8 expiries by 17 strikes; the steep short-dated skew and a
// mild one), held to 300 ms; for scale, one repricing of the 136 quotes by
// the local-volatility solver and one export of the local volatility grid.
#include "LocalVolGridExport.h"
#include "MedianReport.h"
#include "SurfaceCalibration.h"
#include "SurfaceExamples.h"

namespace {

EssviSurface mild_surface()
{
    EssviSurface s;
    s.eta = 0.5, s.rho_short = -0.4, s.rho_long = -0.3, s.v_short = 0.18 * 0.18, s.v_long = 0.22 * 0.22;
    return s;
}

void fit(benchmark::State& state, const EssviSurface& surface)
{
    const SurfaceMarket market;
    const std::vector<VolQuote> quotes = market.quotes(surface);
    const ForwardCurve forward = market.forward();
    for (auto _ : state) {
        const SurfaceCalibration c = calibrate_surface(quotes, market.spot, forward);
        if (!c.ok())
            state.SkipWithError(c.error.c_str());
        benchmark::DoNotOptimize(c.local_vol.get());
    }
}

void reprice(benchmark::State& state)
{
    const SurfaceMarket market;
    const ForwardCurve forward = market.forward();
    const SurfaceCalibration fitted = calibrate_surface(market.quotes(EssviSurface()), market.spot, forward);
    std::string error;
    for (auto _ : state) {
        SurfaceCalibration c = fitted;
        if (!reprice_quotes(c, *c.local_vol, forward, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(c.max_error_bp);
    }
}

void export_grid(benchmark::State& state)
{
    const SurfaceMarket market;
    const SurfaceCalibration c = calibrate_surface(market.quotes(EssviSurface()), market.spot, market.forward());
    for (auto _ : state) {
        const MarketResult<LocalVolGrid> grid = export_local_vol_grid(*c.local_vol, c.surface->expiries());
        if (!grid.ok())
            state.SkipWithError(grid.error.c_str());
        benchmark::DoNotOptimize(grid.value);
    }
}

}  // namespace

BENCHMARK_CAPTURE(fit, steep_136, EssviSurface())->Name("surface_fit/steep_136")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fit, mild_136, mild_surface())->Name("surface_fit/mild_136")->Unit(benchmark::kMillisecond);
BENCHMARK(reprice)->Name("surface_reprice/steep_136")->Unit(benchmark::kMillisecond);
BENCHMARK(export_grid)->Name("surface_export/steep")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    MedianReport reporter;
    reporter.run(argc, argv);
    reporter.check("surface_fit/steep_136", 300.0);
    reporter.check("surface_fit/mild_136", 300.0);
    benchmark::Shutdown();
    return 0;
}
