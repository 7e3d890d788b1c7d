#!/usr/bin/env python3
"""Prices Kelvara's default structure (the window's defaults: a one-year
note from today, monthly observations after a three-month lock, knock-out
103, knock-in 80, coupons 16 %) and plots its probability profile and its
price against the volatility into one PNG.

Usage: /usr/bin/python3 examples/default_structure.py OUT.png [--today yyyyMMdd]

kelvara must be importable: pip install it, or PYTHONPATH=build/python after
a CMake build.
"""

import argparse
import datetime

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt  # noqa: E402

import kelvara  # noqa: E402
from kelvara.pricing import price, probabilities, scan  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("png", help="the PNG to write")
    parser.add_argument("--today", help="today's date, yyyyMMdd (default: the system date)")
    args = parser.parse_args()
    today = datetime.datetime.strptime(args.today, "%Y%m%d").date() if args.today else datetime.date.today()

    note = kelvara.Snowball()  # dated by default: one year from the market's today
    market = kelvara.Market(today=today)
    value = price(note, market, greeks=True)
    profile = probabilities(note, market)
    by_vol = scan(note, market, term="vol", start=0.05, stop=0.5, step=0.025)
    print(value)
    print(profile)

    figure, (left, right) = plt.subplots(1, 2, figsize=(11, 4.2))
    labels = [d.strftime("%Y-%m-%d") for d in profile.dates]
    left.bar(range(len(labels)), 100 * profile.knock_out, color="tab:blue")
    left.set_xticks(range(len(labels)), labels, rotation=60, ha="right", fontsize=8)
    left.set_ylabel("knock-out probability (%)")
    left.set_title("Knock-out at each observation\nmaturity %.1f %%, knock-in %.1f %%, loss %.1f %%, life %.2f y" % (
        100 * profile.maturity, 100 * profile.knock_in, 100 * profile.loss, profile.expected_life), fontsize=9)

    right.plot(100 * by_vol.values, by_vol.prices, marker="o", markersize=3)
    right.axvline(market.vol, color="grey", linestyle="--", linewidth=1)
    right.axhline(value.price, color="grey", linestyle=":", linewidth=1)
    right.set_xlabel("volatility (%)")
    right.set_ylabel("price")
    right.set_title("Price against volatility (price %.4f at %g %%)" % (value.price, market.vol), fontsize=9)
    right.grid(alpha=0.3)

    figure.suptitle("Default snowball note, %s" % today.isoformat())
    figure.tight_layout()
    figure.savefig(args.png, dpi=100)
    print("wrote", args.png)


if __name__ == "__main__":
    main()
