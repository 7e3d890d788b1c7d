"""Pricing a Snowball in a Market: each function runs the kelvara-cli
command of the same work (price, profile, solve, stress, scan, mc, grid)
and reads its --json object, so the numbers are the command's to the last
bit. method is "design" (the design grid of M, N and smax) or "accurate"
(the contract's own monitoring, with an error estimate). Refusals raise
ValueError (kelvara.KelvaraError) with kelvara-cli's reason.

    >>> import datetime, kelvara
    >>> from kelvara.pricing import price, probabilities
    >>> note = kelvara.Snowball(start=datetime.date(2024, 1, 15), expiry=datetime.date(2025, 1, 15))
    >>> market = kelvara.Market(today=datetime.date(2024, 1, 15))
    >>> v = price(note, market, method="accurate", greeks=True)
    >>> round(v.price, 4), round(v.error_estimate, 4), round(v.greeks.delta, 4)
    (101.9606, 0.003, 0.33)
    >>> round(probabilities(note, market).loss, 4)
    0.1693
"""

import collections

from ._values import method_keywords, run
from .results import Greeks, Grids, MonteCarlo, Probabilities, Scan, Solution, StressGrid, Valuation
from .terms import Market

Lookup = collections.namedtuple("Lookup", "spot date knocked_in", defaults=(None, None, False))
Lookup.__doc__ = """Where price() reads Greeks besides the market's spot and today: a spot
(default: the market's), a date (default: today; a datetime.date or
yyyyMMdd) and whether the structure has knocked in."""

# scan()'s terms by name, beside the panel's numbers 0..5.
SCAN_TERMS = {"ko": 0, "ki": 1, "coupon": 2, "vol": 3, "div_coupon": 4, "coupons": 5}


def _keywords(contract, market, method, **more):
    market = market if market is not None else Market()
    k = {**contract.keywords(), **market.keywords(), **method_keywords(method)}
    k.update({key: value for key, value in more.items() if value is not None})
    return k


def _lookup(item):
    if isinstance(item, Lookup):
        return item
    if isinstance(item, dict):
        return Lookup(**item)
    return Lookup(*item)


def price(contract, market=None, *, method="design", M=None, N=None, smax=None, greeks=False, lookups=(),
          grids=False):
    """The contract's Valuation in the market (default: Market()).

    M, N and smax size the design grid (price steps, time steps, top price;
    kelvara-cli's defaults when None). greeks=True adds the Greeks at the
    market's spot and today; lookups, a list of Lookup (or (spot, date,
    knocked_in) tuples or dicts), adds Greeks at each; grids=True adds the
    design grid's values as numpy arrays (design mode only).

        >>> v = price(kelvara.Snowball(obs_times=[0.5, 1]), greeks=True, lookups=[(95, None, True)])
        >>> round(v.price, 4), round(v.lookups[0].price, 4), v.lookups[0].knocked_in
        (104.165, 94.8008, True)
    """
    if grids and method != "design":
        raise ValueError("grids=True: the value grids are the design grid's (method='design')")
    k = _keywords(contract, market, method, M=M, N=N, smax=smax)
    year_days = contract.year_days
    found = []
    for item in map(_lookup, lookups):
        r = run("price", **k, greeks=True, lookup_spot=item.spot, lookup_date=item.date, knocked_in=item.knocked_in)
        found.append(Greeks(r["greeks"], year_days))
    valued = Grids(run("grid", **k).to_dict()) if grids else None
    return Valuation(run("price", **k, greeks=greeks).to_dict(), year_days, found, valued)


def probabilities(contract, market=None, *, method="design", M=None, N=None, smax=None):
    """The Probabilities of knocking out at each observation, reaching
    maturity, knocking in and losing money, and the expected life.

        >>> p = probabilities(kelvara.Snowball(obs_times=[0.5, 1]))
        >>> p.knock_out.shape, round(p.expected_life, 4)
        ((2,), 0.7887)
    """
    return Probabilities(run("profile", **_keywords(contract, market, method, M=M, N=N, smax=smax)).to_dict())


def solve(contract, market=None, term="vol", *, target=None, lo=None, hi=None, method="design", M=None, N=None,
          smax=None):
    """The Solution: the value of term ("vol" or "coupon", engine units) in
    [lo, hi] that prices the contract at target (default: the spot for a
    note, 0 for an option). With market files, "vol" is the volatility's
    parallel shift.

        >>> round(solve(kelvara.Snowball(obs_times=[0.5, 1]), target=100).value, 4)
        0.2324
    """
    k = _keywords(contract, market, method, M=M, N=N, smax=smax, target=target, lo=lo, hi=hi)
    return Solution(run("solve", **k, for_=term).to_dict())


def stress(contract, market=None, *, prices=(70, 130, 10), vols=(0.05, 0.5, 0.05), days=100, method="design", M=None,
           N=None, smax=None):
    """The StressGrid: value, delta and gamma over spot prices x
    volatilities, each a (start, end, step) range (volatilities as
    decimals), with days trading days left.

        >>> g = stress(kelvara.Snowball(obs_times=[0.5, 1]), prices=(90, 110, 10), vols=(0.1, 0.2, 0.1))
        >>> g.value.shape, g.value.dtype
        ((2, 3), dtype('float64'))
    """
    k = _keywords(contract, market, method, M=M, N=N, smax=smax)
    return StressGrid(run("stress", **k, prices=list(prices), vols=list(vols), days=days).to_dict())


def scan(contract, market=None, term="vol", *, start=None, stop=None, step=None, target=None, method="design", M=None,
         N=None, smax=None):
    """The Scan: prices with one term moved from start to stop by step
    (engine units; the panel's range when None). term is "ko", "ki",
    "coupon", "vol", "div_coupon", "coupons" (dividend and knock-out coupon
    together) or the panel's number 0..5.

        >>> s = scan(kelvara.Snowball(obs_times=[0.5, 1]), term="vol", start=0.1, stop=0.3, step=0.1)
        >>> s.values.tolist(), s.prices.shape
        ([0.1, 0.2, 0.30000000000000004], (3,))
    """
    param = SCAN_TERMS.get(term, term)
    if not isinstance(param, int):
        raise ValueError("term: %r is none of %s or 0..5" % (term, ", ".join(SCAN_TERMS)))
    k = _keywords(contract, market, method, M=M, N=N, smax=smax, target=target, step=step, to=stop)
    return Scan(run("scan", **k, param=param, from_=start).to_dict())


def monte_carlo(contract, market=None, *, paths=50000, seed=1, threads=None, reference=True, steps_per_year=None):
    """The reference Monte Carlo (daily monitoring, antithetic paths, a
    control variate): price with its standard error, the same for a given
    seed and threads (default: one per core). reference=False runs the
    design's Monte Carlo check instead (steps_per_year, no seed).

        >>> mc = monte_carlo(kelvara.Snowball(obs_times=[0.5, 1]), paths=2000, seed=7, threads=2)
        >>> mc.paths, mc.seed, mc.standard_error > 0
        (2000, 7, True)
    """
    k = _keywords(contract, market, "design", paths=paths, steps_per_year=steps_per_year)
    if reference:
        k.update(reference=True, seed=seed, threads=threads)
    elif seed != 1 or threads is not None:
        raise ValueError("seed and threads are the reference Monte Carlo's (reference=True)")
    return MonteCarlo(run("mc", **k).to_dict())


__all__ = ["Lookup", "SCAN_TERMS", "price", "probabilities", "solve", "stress", "scan", "monte_carlo"]
