"""A book of snowballs priced at once, as a pandas DataFrame.

price_book() takes either a list of Snowball contracts (each priced by
kelvara.pricing.price in the one market, on a pool of threads) or the
records of a structure file (a DataFrame with its columns, e.g.
pandas.read_csv("autocall.csv"), or the file's path), priced by
kelvara-cli's batch with its jobs. Threads never change a number.

    >>> import kelvara
    >>> from kelvara.book import price_book
    >>> notes = [kelvara.Snowball(obs_times=[0.5, 1], ko=ko) for ko in (101, 103, 105)]
    >>> frame = price_book(notes, threads=2)
    >>> frame["price"].round(4).tolist()
    [103.8788, 104.165, 104.4807]
"""

import csv
import math
import os
import tempfile
from concurrent.futures import ThreadPoolExecutor

from ._values import method_keywords, run
from .pricing import price
from .terms import Market, Snowball


def _contract_rows(contracts, market, method, greeks, threads):
    def one(contract):
        v = price(contract, market, method=method, greeks=greeks)
        row = {"price": v.price}
        if v.error_estimate is not None:
            row["error_estimate"] = v.error_estimate
        if v.greeks is not None:
            row.update({k: getattr(v.greeks, k) for k in ("delta", "gamma", "theta", "vega", "rho")})
        return row

    with ThreadPoolExecutor(max_workers=threads or os.cpu_count() or 1) as pool:
        return list(pool.map(one, contracts))


def _field(value):
    # pandas reads an empty field as NaN: it goes back empty, never as "nan".
    return "" if value is None or (isinstance(value, float) and math.isnan(value)) else value


def _write_records(frame, path):
    """A DataFrame of structure-file records back into the file kelvara-cli reads."""
    with open(path, "w", newline="", encoding="utf-8") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(frame.columns)
        out.writerows([_field(v) for v in row] for row in frame.itertuples(index=False, name=None))


def _record_rows(records, market, method, greeks, threads, lookup_date, knocked_in):
    import pandas as pd

    k = {**market.keywords(spot=False), **method_keywords(method), "greeks": greeks, "jobs": threads,
         "lookup_date": lookup_date, "knocked_in": knocked_in}
    for name in ("spot", "vol"):
        if getattr(market, name) != getattr(Market, name):
            raise ValueError("Market(%s=...): a structure file's records carry their own %s" % (name, name))
    if isinstance(records, (str, os.PathLike)):
        return [dict(o) for o in run("batch", records, **k).to_list()]
    with tempfile.TemporaryDirectory(prefix="kelvara-book-") as folder:
        path = os.path.join(folder, "book.csv")
        _write_records(pd.DataFrame(records), path)
        return [dict(o) for o in run("batch", path, **k).to_list()]


def price_book(book, market=None, *, method="design", threads=None, greeks=False, lookup_date=None, knocked_in=False):
    """The book's prices as a pandas DataFrame, one row per contract or
    record in the book's order (columns price, error_estimate in accurate
    mode, and delta, gamma, theta, vega, rho in the window's units when
    greeks=True; a structure file's rows also record, NO and EnquiryID, and
    calendar_estimated, smax_reach_chance, smax_low).

    threads: how many contracts are priced at once (default: one per core).
    For records, the market gives the rate, dividend yield, today and the
    market files; each record its own spot and volatility; lookup_date and
    knocked_in where their Greeks are read. A refused record raises
    KelvaraError (a ValueError) naming it; its .result holds the others.
    """
    import pandas as pd

    market = market if market is not None else Market()
    items = list(book) if isinstance(book, (list, tuple)) else None
    if items is not None and all(isinstance(c, Snowball) for c in items):
        if lookup_date is not None or knocked_in:
            raise ValueError("lookup_date and knocked_in are for a structure file's records; "
                             "price a contract with kelvara.pricing.price(lookups=...)")
        return pd.DataFrame(_contract_rows(items, market, method, greeks, threads))
    rows = _record_rows(book, market, method, greeks, threads, lookup_date, knocked_in)
    frame = pd.DataFrame(rows).drop(columns=["command", "mode"], errors="ignore")
    return frame.set_index("record") if "record" in frame else frame


__all__ = ["price_book"]
