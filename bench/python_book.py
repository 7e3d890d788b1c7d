#!/usr/bin/env python3
"""A 10,000-record book through kelvara.book.price_book on 2 threads
against 1 (goal: at most 0.65 of the one-thread time on this 2-core machine).

Usage: /usr/bin/python3 bench/python_book.py BUILD_DIR [--records 10000] [--rounds 3]

BUILD_DIR is a build with the module (cmake --build BUILD_DIR --target
_kelvara). Two books, each priced with threads=1 and threads=2 in turn for
a few rounds, the best wall time of each kept (the machine is shared: the
fastest round is the one least disturbed):
  records    a DataFrame of structure-file records (bench/batch_jobs.sh's
             book), priced by kelvara-cli's batch with its jobs;
  contracts  the same terms as a list of Snowball contracts, each priced by
             kelvara.pricing.price on a pool of Python threads (the GIL is
             released for every price).
The frames of one and two threads must be equal.
"""

import argparse
import datetime
import os
import sys
import time
import warnings


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--records", type=int, default=10000)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(os.path.abspath(args.build), "python"))
    import pandas as pd

    import kelvara
    from kelvara.book import price_book

    # Records at high volatility warn of the grid top; the timing is the point here.
    warnings.simplefilter("ignore", kelvara.KelvaraWarning)

    dates = "20240415_20240515_20240615_20240715_20240815_20240915_20241015_20241115_20241215_20250115"
    n = range(1, args.records + 1)
    records = pd.DataFrame({
        "iNO": list(n), "lEnquiryID": [i + 1000 for i in n], "5ProductName": "", "3Category": "", "3Type": "AC",
        "4Underlier": "510050", "dNotional": 1000000.0, "dOpenPrice": 100.0, "dKnockOut": [100.0 + i % 10 for i in n],
        "dKnockIn": 80.0, "dCouponOut": 16.0, "dCouponDiv": 16.0, "dBottom": 0.0, "dDeltaCeiling": 0.0,
        "dCallStrike": 0.0, "dPartRate": 0.0, "iMaturity": 0, "iDateBegin": 20240115, "iDateEnd": 20250115,
        "dVolatility": [15.0 + i % 20 for i in n], "9Observe": dates})
    day = datetime.date(2024, 1, 15)
    obs = [datetime.date(int(d[:4]), int(d[4:6]), int(d[6:])) for d in dates.split("_")]
    contracts = [kelvara.Snowball(ko=100 + i % 10, start=day, expiry=obs[-1], dates=obs) for i in n]
    by_vol = {v: kelvara.Market(today=day, vol=v) for v in range(15, 35)}

    def price_contracts(threads):
        # One market per volatility: the contracts of each priced together.
        frames = []
        for v, market in by_vol.items():
            chosen = [c for i, c in zip(n, contracts) if 15 + i % 20 == v]
            frames.append(price_book(chosen, market, threads=threads))
        return pd.concat(frames, ignore_index=True)

    books = {"records": lambda threads: price_book(records, kelvara.Market(today=day), threads=threads),
             "contracts": price_contracts}
    for name, run in books.items():
        best, frames = {1: float("inf"), 2: float("inf")}, {}
        for _ in range(args.rounds):
            for threads in (1, 2):
                start = time.perf_counter()
                frames[threads] = run(threads)
                best[threads] = min(best[threads], time.perf_counter() - start)
        if not frames[1].equals(frames[2]):
            sys.exit("%s: the frames of one and two threads differ" % name)
        print("%-9s %d: threads=1 %.2f s, threads=2 %.2f s, ratio %.2f (goal <= 0.65; load average %s)" % (
            name, args.records, best[1], best[2], best[2] / best[1], open("/proc/loadavg").read().split()[0]))


if __name__ == "__main__":
    main()
