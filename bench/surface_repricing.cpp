// The surface's repricing table (a report, not a benchmark): quotes of
// closed-form surfaces (a steep short-dated extended SSVI, a flatter one),
// fitted, turned into local volatility, each quote repriced by the local-
// volatility solver, and repriced again from the exported local volatility
// grid; prints every quote and the largest errors by expiry.
#include "LocalVolGridExport.h"
#include "SurfaceCalibration.h"
#include "SurfaceExamples.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

LocalVolResolution resolution;
GridExportOptions options;

void report(const char* name, const TotalVarianceSurface& surface, const SurfaceMarket& market, bool all)
{
    const ForwardCurve forward = market.forward();
    const auto started = std::chrono::steady_clock::now();
    SurfaceCalibration c = calibrate_surface(market.quotes(surface), market.spot, forward);
    const double fit_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    if (!c.ok()) {
        std::printf("%s: refused: %s\n", name, c.error.c_str());
        return;
    }
    std::string error;
    if (!reprice_quotes(c, *c.local_vol, forward, error, resolution)) {
        std::printf("%s: repricing refused: %s\n", name, error.c_str());
        return;
    }
    const MarketResult<LocalVolGrid> exported = export_local_vol_grid(*c.local_vol, c.surface->expiries(), options);
    SurfaceCalibration from_grid = c;
    if (!exported.ok() || !reprice_quotes(from_grid, *exported.value, forward, error, resolution)) {
        std::printf("%s: grid refused: %s\n", name, exported.ok() ? error.c_str() : exported.error.c_str());
        return;
    }
    const LocalVolGrid& grid = *exported.value;
    std::printf("%s: %zu quotes, fit + local volatility %.1f ms (one run), largest fit error %.2f bp, "
                "grid %zu levels x %zu rows\n",
                name, c.quotes.size(), fit_ms, c.max_fit_error_bp, grid.levels().size(), grid.times().size());
    if (all)
        std::printf("%8s %8s %8s %8s %9s %8s %9s %8s\n", "expiry", "strike", "market%", "fitted%", "repriced%",
                    "err_bp", "grid%", "grid_bp");
    std::printf("%s\n", all ? "" : "");
    std::printf("by expiry (quotes with strikes in 70..130):\n%8s %10s %10s %10s %12s\n", "expiry", "max_bp", "grid_max",
                "grid_rms", "grid_price");
    std::size_t i = 0;
    double sum_all = 0.0;
    int count_all = 0;
    while (i < c.quotes.size()) {
        const double T = c.quotes[i].quote.expiry;
        double worst = 0.0, worst_grid = 0.0, sum = 0.0, worst_price = 0.0;
        int count = 0;
        for (; i < c.quotes.size() && c.quotes[i].quote.expiry == T; ++i) {
            const QuoteResult &q = c.quotes[i], &g = from_grid.quotes[i];
            if (all)
                std::printf("%8.4f %8.1f %8.3f %8.3f %9.3f %8.2f %9.3f %8.2f\n", T, q.quote.strike, 100 * q.quote.vol,
                            100 * q.fitted_vol, 100 * q.repriced_vol, q.error_bp, 100 * g.repriced_vol, g.error_bp);
            if (q.quote.strike < 0.7 * market.spot || q.quote.strike > 1.3 * market.spot)
                continue;
            worst = std::max(worst, std::fabs(q.error_bp));
            worst_grid = std::max(worst_grid, std::fabs(g.error_bp));
            sum += g.error_bp * g.error_bp;
            sum_all += g.error_bp * g.error_bp;
            ++count, ++count_all;
            // Price difference per 100 of spot, from the vega of the gap.
            const double F = q.forward, s = q.quote.vol * std::sqrt(T);
            const double d1 = std::log(F / q.quote.strike) / s + 0.5 * s;
            const double vega = F * std::exp(-0.5 * d1 * d1) / std::sqrt(2 * M_PI) * std::sqrt(T);
            worst_price = std::max(worst_price, 100.0 / market.spot * vega * std::fabs(g.repriced_vol - q.repriced_vol));
        }
        std::printf("%8.4f %10.2f %10.2f %10.2f %12.5f\n", T, worst, worst_grid, std::sqrt(sum / std::max(count, 1)),
                    worst_price);
    }
    std::printf("all: largest repricing error %.2f bp (every quote); grid rms %.2f bp\n", c.max_error_bp,
                std::sqrt(sum_all / std::max(count_all, 1)));

    // What joining the expiries linearly in total variance does to the local
    // volatility: the fitted one against the closed form's, at the middle of
    // each interval (where they differ most), across +-2 deviations.
    std::printf("fitted - exact local volatility at mid-interval (vol points, |z| <= 2):\n%8s %10s %10s\n", "t",
                "max", "at_money");
    double start = 0.0;
    for (double T : c.surface->expiries()) {
        const double t = 0.5 * (start + T);
        const double F = forward.forward(market.spot, t), root = std::sqrt(surface.at(0.0, t).w);
        double worst = 0.0, at_money = 0.0;
        for (int j = -8; j <= 8; ++j) {
            const double k = 0.25 * j * root;
            std::string e;
            const double fitted = std::sqrt(c.local_vol->local_variance(F * std::exp(k), t, e));
            const double exact = std::sqrt(dupire_local_variance(k, surface.at(k, t)));
            worst = std::max(worst, std::fabs(fitted - exact));
            if (j == 0)
                at_money = fitted - exact;
        }
        std::printf("%8.4f %10.3f %10.3f\n", t, 100.0 * worst, 100.0 * at_money);
        start = T;
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    bool all = false;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--all") == 0)
            all = true;
        else if (std::strcmp(argv[a], "--cells") == 0 && a + 1 < argc)
            resolution.cells = std::atoi(argv[++a]);
        else if (std::strcmp(argv[a], "--level-step") == 0 && a + 1 < argc)
            options.level_step = std::atof(argv[++a]);
        else if (std::strcmp(argv[a], "--daily-until") == 0 && a + 1 < argc)
            options.daily_until = std::atof(argv[++a]);
        else if (std::strcmp(argv[a], "--steps") == 0 && a + 1 < argc)
            resolution.steps_per_year = std::atof(argv[++a]);
    }
    const SurfaceMarket market;
    EssviSurface steep;
    report("steep short-dated skew (extended SSVI)", steep, market, all);
    EssviSurface mild;
    mild.eta = 0.5, mild.rho_short = -0.4, mild.rho_long = -0.3, mild.v_short = 0.18 * 0.18, mild.v_long = 0.22 * 0.22;
    report("mild skew, rising term structure", mild, market, all);
    return 0;
}
