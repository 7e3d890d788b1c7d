// What a command line costs beyond its price: the window's default design
// price run as a whole command (parsing, calendar, schedule, checks, JSON:
// what the Python module's kelvara.price() and kelvara-cli's main run) and
// the engine's price of the same request alone. bench/python_overhead.py
// times the Python call against these medians.
#include "CommandLine.h"
#include "MedianReport.h"
#include "Pricer.h"
#include "RunContext.h"
#include "StructureSetup.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The Python module's command line for kelvara.price(today="20240115").
const std::vector<std::string> kPrice = {"price", "--json", "--today", "20240115"};

// Argument 1: registering only the price command, as the module runs it;
// 0: every command, as kelvara-cli's main does.
void command_line(benchmark::State& state)
{
    CommandLineSettings settings;  // the calendar of the working directory (build/bin)
    settings.onlyNamedCommand = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(runCommandLine(kPrice, settings));
}

void engine_price(benchmark::State& state)
{
    RunContext run;
    CommonOptions common;
    common.today = kPrice.back();
    common.run = &run;
    const PreparedStructure p = prepareStructure(StructureOptions(), common, false, PricingMethod::DesignGrid);
    // The command's own request: the engine's price of it alone.
    const PricingRequest request =
        pricingRequest(p.terms, p.form, static_cast<int>(p.yearDays), PricingMethod::DesignGrid);
    for (auto _ : state)
        benchmark::DoNotOptimize(price(request));
}

}  // namespace

BENCHMARK(command_line)->Name("command_line/price_default")->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(command_line)->Name("command_line_all_commands/price_default")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(engine_price)->Name("engine_price/price_default")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    MedianReport reporter;
    reporter.run(argc, argv);
    const auto command = reporter.cpu_ms.find("command_line/price_default");
    const auto engine = reporter.cpu_ms.find("engine_price/price_default");
    if (command != reporter.cpu_ms.end() && engine != reporter.cpu_ms.end())
        std::printf("command line / engine price, default design price: %.3fx\n", command->second / engine->second);
    benchmark::Shutdown();
    return 0;
}
