#pragma once

// Shared by the benchmark programs: run every benchmark with 7 repetitions,
// print Google Benchmark's table of medians, then hold the medians (CPU
// time, which the other programs on a shared machine disturb least) to their
// limits.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class MedianReport : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> wall_ms, cpu_ms;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                wall_ms[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpu_ms[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Runs the benchmarks selected on the command line.
    void run(int argc, char** argv)
    {
        std::vector<char*> args(argv, argv + argc);
        std::string repetitions = "--benchmark_repetitions=7";
        std::string aggregates = "--benchmark_report_aggregates_only=true";
        args.push_back(repetitions.data());
        args.push_back(aggregates.data());
        int count = static_cast<int>(args.size());
        benchmark::Initialize(&count, args.data());
        benchmark::RunSpecifiedBenchmarks(this);
        std::printf("\nMedians against their limits:\n");
    }

    void check(const char* name, double limit_ms) const
    {
        const auto wall = wall_ms.find(name);
        const auto cpu = cpu_ms.find(name);
        if (wall == wall_ms.end())
            return;
        std::printf("%-45s median %9.3f ms wall %9.3f ms cpu   limit %7.1f ms   %s\n", name, wall->second,
                    cpu->second, limit_ms, cpu->second <= limit_ms ? "ok" : "OVER");
    }
};
