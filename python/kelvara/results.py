"""What kelvara.pricing returns: the commands' --json objects as attributes
and numpy arrays. Each keeps its object (to_dict()), so every number is the
command's own double."""

import collections

import numpy as np

from ._values import finite, short, to_date


class _Answer:
    """A command's object behind attributes."""

    def __init__(self, obj):
        self._obj = obj

    def to_dict(self):
        """The command's --json object."""
        return self._obj

    @property
    def outcome(self):
        """How the figures came about (see Outcome)."""
        return Outcome.of(self._obj)


class Outcome(collections.namedtuple("Outcome", "calendar_estimated smax_reach_chance smax_low")):
    """What kelvara-cli says beside the figures: whether the trading calendar
    was estimated (a year the calendar does not cover), the chance that the
    spot reaches the grid's top before maturity, and whether that top is
    too low (also sent as a KelvaraWarning)."""

    @classmethod
    def of(cls, obj):
        return cls(obj.get("calendar_estimated"), obj.get("smax_reach_chance"), obj.get("smax_low"))


class RawGreeks(collections.namedtuple("RawGreeks", "delta gamma theta vega rho")):
    """Greeks per unit: theta per year, vega per 1.00 of volatility, rho per
    1.00 of rate (the window's units converted back)."""


class Greeks(_Answer):
    """Price and Greeks read at one spot and date (the window's 风险指标计算).

    Attributes are in the window's units: theta per trading day, vega and rho
    per point (0.01); raw gives them per year and per 1.00. date is None for
    a timed contract; error_estimate None in design mode.
    """

    def __init__(self, obj, year_days):
        super().__init__(obj)
        self.spot = obj["spot"]
        self.date = to_date(obj.get("date"))
        self.tau = obj["tau"]
        self.knocked_in = obj["knocked_in"]
        self.price = obj["price"]
        self.error_estimate = obj.get("error_estimate")
        self.delta, self.gamma, self.theta, self.vega, self.rho = (
            obj[k] for k in ("delta", "gamma", "theta", "vega", "rho"))
        self.year_days = year_days

    @property
    def raw(self):
        """RawGreeks: theta x year_days, vega and rho x 100."""
        return RawGreeks(self.delta, self.gamma, self.theta * self.year_days, self.vega * 100, self.rho * 100)

    def __repr__(self):
        where = "spot=%s%s%s" % (short(self.spot), ", date=%s" % self.date if self.date else "",
                                 ", knocked_in" if self.knocked_in else "")
        figures = ", ".join("%s=%s" % (k, short(getattr(self, k))) for k in ("price", "delta", "gamma", "theta", "vega", "rho"))
        return "Greeks(%s: %s)" % (where, figures)


class Grids:
    """The design grid's values: price and price_ki are (M+1) x (N+1) arrays
    (row i the price node spots[i] = i dS, column j the time step j dt), the
    structure not knocked in and knocked in."""

    def __init__(self, obj):
        self._obj = obj
        self.dS, self.dt = obj["dS"], obj["dt"]
        self.price = np.array(obj["Price"], dtype=np.float64)
        self.price_ki = np.array(obj["Price_KI"], dtype=np.float64)
        self.spots = self.dS * np.arange(self.price.shape[0], dtype=np.float64)

    def to_dict(self):
        """The grid command's --json object."""
        return self._obj

    def __repr__(self):
        return "Grids(%d x %d, dS=%s, dt=%s)" % (*self.price.shape, short(self.dS), short(self.dt))


class Valuation(_Answer):
    """A price: price, error_estimate (accurate mode; None in design mode),
    greeks at the market's spot and today (when asked), lookups (Greeks at
    other spots and dates), grids (design mode, when asked), outcome, and the
    engine's terms as structure."""

    def __init__(self, obj, year_days, lookups=(), grids=None):
        super().__init__(obj)
        self.method = obj.get("mode", "design")
        self.price = finite(obj["price"], "the price")
        self.error_estimate = obj.get("error_estimate")
        self.greeks = Greeks(obj["greeks"], year_days) if "greeks" in obj else None
        self.lookups = tuple(lookups)
        self.grids = grids
        self.structure = obj["structure"]

    def __float__(self):
        return self.price

    def __repr__(self):
        text = "Valuation(%s, price=%s" % (self.method, short(self.price))
        if self.error_estimate is not None:
            text += " ± %s" % short(self.error_estimate)
        if self.greeks:
            text += ", delta=%s, gamma=%s, vega=%s" % (short(self.greeks.delta), short(self.greeks.gamma), short(self.greeks.vega))
        if self.lookups:
            text += ", %d lookups" % len(self.lookups)
        if self.grids:
            text += ", %r" % self.grids
        return text + ")"


class Probabilities(_Answer):
    """The probability profile (the window's 概率分析): knock-out at each
    observation (arrays times, dates, knock_out), reaching maturity, knocking
    in, losing money, and the expected life in years.

    to_frame() is a pandas DataFrame of the observations; summary() a dict of
    the rest.
    """

    def __init__(self, obj):
        super().__init__(obj)
        rows = obj["observations"]
        self.times = np.array([o["time"] for o in rows], dtype=np.float64)
        self.dates = tuple(to_date(o.get("date")) for o in rows)
        self.knock_out = np.array([o["ko_probability"] for o in rows], dtype=np.float64)
        self.maturity = obj["maturity_probability"]
        self.knock_in = obj["ki_probability"]
        self.loss = obj["loss_probability"]
        self.expected_life = obj["expected_life"]
        self.note = obj.get("note")
        self.method = obj.get("mode", "design")

    def summary(self):
        """{maturity, knock_in, loss, expected_life}."""
        return {"maturity": self.maturity, "knock_in": self.knock_in, "loss": self.loss,
                "expected_life": self.expected_life}

    def to_frame(self):
        """The observations as a pandas DataFrame: time, date (None when
        timed) and knock_out, one row per observation (pandas is imported
        here, only when asked for)."""
        import pandas as pd

        return pd.DataFrame({"time": self.times, "date": list(self.dates), "knock_out": self.knock_out},
                            index=pd.RangeIndex(1, len(self.times) + 1, name="observation"))

    def __repr__(self):
        return ("Probabilities(%s, %d observations, knock-out %s, maturity %s, knock-in %s, loss %s, "
                "expected life %s years)" % (self.method, len(self.times), short(float(self.knock_out.sum())),
                                             short(self.maturity), short(self.knock_in), short(self.loss),
                                             short(self.expected_life)))


class Solution(_Answer):
    """The value of a term that prices the contract at the target (the
    window's 区间求解), in engine units (0.2 is 20 %)."""

    def __init__(self, obj):
        super().__init__(obj)
        self.term = obj["for"]
        self.value = finite(obj["value"], "the solution")
        self.target, self.lo, self.hi = obj["target"], obj["lo"], obj["hi"]

    def __float__(self):
        return self.value

    def __repr__(self):
        return "Solution(%s=%s for target %s in [%s, %s])" % (self.term, short(self.value), short(self.target),
                                                           short(self.lo), short(self.hi))


class StressGrid(_Answer):
    """The stress test: value, delta and gamma as len(vols) x len(prices)
    arrays (row i the volatility vols[i], column j the spot prices[j]) with
    tau years (days / 252) left."""

    def __init__(self, obj):
        super().__init__(obj)
        self.prices = np.array(obj["prices"], dtype=np.float64)
        self.vols = np.array(obj["vols"], dtype=np.float64)
        self.days, self.tau = obj["days"], obj["tau"]
        shape = (len(self.vols), len(self.prices))
        self.value, self.delta, self.gamma = (np.array(obj[k], dtype=np.float64).reshape(shape)
                                              for k in ("tv", "delta", "gamma"))

    def __repr__(self):
        return "StressGrid(%d vols x %d prices, %d days: value %s..%s)" % (
            len(self.vols), len(self.prices), self.days, short(float(self.value.min())), short(float(self.value.max())))


class Scan(_Answer):
    """The univariate scan (单变量-价格分析): prices against one term's values
    (arrays values, prices, and error_estimates in accurate mode), and the
    point nearest the target."""

    NearestPoint = collections.namedtuple("NearestPoint", "value price deviation")

    def __init__(self, obj):
        super().__init__(obj)
        points = obj["points"]
        self.param, self.target, self.capped = obj["param"], obj["target"], obj["capped"]
        self.values = np.array([p["value"] for p in points], dtype=np.float64)
        self.prices = np.array([p["price"] for p in points], dtype=np.float64)
        self.error_estimates = (np.array([p["error_estimate"] for p in points], dtype=np.float64)
                                if points and "error_estimate" in points[0] else None)
        n = obj["nearest"]
        self.nearest = self.NearestPoint(n["value"], n["price"], n["deviation"])

    def __repr__(self):
        return "Scan(param %d, %d points %s..%s, nearest %s to %s: %s)" % (
            self.param, len(self.values), short(float(self.values[0])), short(float(self.values[-1])),
            short(self.nearest.value), short(self.target), short(self.nearest.price))


class MonteCarlo(_Answer):
    """A Monte Carlo price: the reference Monte Carlo's price with its
    standard error, paths, seed and threads (the design check: price only)."""

    def __init__(self, obj):
        super().__init__(obj)
        self.method = obj.get("method", "design")
        self.price = finite(obj["price"], "the Monte Carlo price")
        self.standard_error = obj.get("standard_error")
        self.paths, self.seed, self.threads = obj.get("paths"), obj.get("seed"), obj.get("threads")

    def __float__(self):
        return self.price

    def __repr__(self):
        spread = " ± %s" % short(self.standard_error) if self.standard_error is not None else ""
        seed = ", seed %s, %s threads" % (self.seed, self.threads) if self.seed is not None else ""
        return "MonteCarlo(%s, price=%s%s, %s paths%s)" % (self.method, short(self.price), spread, self.paths, seed)
