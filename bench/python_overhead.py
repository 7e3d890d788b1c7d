#!/usr/bin/env python3
"""Per-call cost of the Python module over C++, on the default design price.

Usage: /usr/bin/python3 bench/python_overhead.py BUILD_DIR

BUILD_DIR is a build with the benchmarks and the module, e.g. build/ itself:
    cmake -S . -B build -DKELVARA_BUILD_BENCH=ON
    cmake --build build --target bench_command _kelvara

Method. The same price three ways, each as CPU time per call (the machine is
shared, and CPU time is what other programs disturb least), each the median
of 7 repetitions:
  engine   bench_command's engine_price: the engine's price(request) of the
           structure kelvara-cli builds from its defaults (today 20240115);
  command  bench_command's command_line: runCommandLine() of
           "price --json --today 20240115" registering only that command,
           what the module runs for the call below (kelvara-cli's main
           registers every command: command_line_all_commands);
  python   kelvara.price(today="20240115") timed here: the keywords turned
           into that command line, the call into C++ (the GIL released and
           taken back), the JSON parsed and the Result made.
Both run in BUILD_DIR/bin, so both read ./trade_calendar.csv. The module's
own cost is python over command (goal: at most 5 %); python over engine also
counts what the command does besides pricing (schedule, checks, JSON). The
C++ benchmark and the Python timing take turns for 5 rounds, and the round
with the median ratio is shown, so that a busy spell of the shared machine
during one of them does not decide the result.
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

REPETITIONS = 7
ROUNDS = 5
GOAL = 0.05


def cpp_medians(bench):
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([bench, "--benchmark_out=" + out.name, "--benchmark_out_format=json"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        report = json.load(open(out.name))
    medians = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9}[b["time_unit"]]
            medians[b["run_name"].split("/")[0]] = b["cpu_time"] * scale  # "command_line/price_default/1"
    return medians


def python_median(calls):
    import kelvara

    for _ in range(50):  # warm up: the calendar read and cached, the code paged in
        kelvara.price(today="20240115")
    per_call = []
    for _ in range(REPETITIONS):
        start = time.process_time()
        for _ in range(calls):
            kelvara.price(today="20240115")
        per_call.append((time.process_time() - start) / calls)
    return statistics.median(per_call)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    sys.path.insert(0, os.path.join(build, "python"))
    os.chdir(os.path.join(build, "bin"))
    rounds = []
    for _ in range(ROUNDS):
        cpp = cpp_medians(os.path.join(build, "bin", "bench_command"))
        cpp["python"] = python_median(max(50, int(1.0 / cpp["command_line"])))
        rounds.append(cpp)
        print("round %d: kelvara.price() %+.1f %% over the same command in C++"
              % (len(rounds), 100 * (cpp["python"] / cpp["command_line"] - 1)), flush=True)
    # The round with the median overhead: the others ran while the machine was busier or quieter.
    r = sorted(rounds, key=lambda c: c["python"] / c["command_line"])[ROUNDS // 2]
    engine = r["engine_price"]
    print("per call, CPU time (median of %d repetitions, the median of %d rounds)" % (REPETITIONS, ROUNDS))
    rows = [("engine price", "engine_price", ""),
            ("command line as kelvara-cli runs it", "command_line_all_commands", " (every command registered)"),
            ("command line as the module runs it", "command_line", ""), ("kelvara.price()", "python", "")]
    for name, key, note in rows:
        over = "" if key == "engine_price" else "   %+6.1f %% over the engine price%s" % (100 * (r[key] / engine - 1), note)
        print("  %-36s %7.3f ms%s" % (name, r[key] * 1e3, over))
    overhead = r["python"] / r["command_line"] - 1
    print("module overhead over the same command in C++: %+.1f %% (at most %.0f %%)   %s"
          % (100 * overhead, 100 * GOAL, "ok" if overhead <= GOAL else "OVER"))


if __name__ == "__main__":
    main()
