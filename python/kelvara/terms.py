"""A snowball contract and the market it is priced in, as kelvara-cli's terms.

Both are plain values in the window's units (levels in the units of the spot,
coupons, volatilities and rates in %), checked by the engine when priced:
a term it refuses raises ValueError with kelvara-cli's reason then.

    >>> import datetime, kelvara
    >>> note = kelvara.Snowball(start=datetime.date(2024, 1, 15), expiry=datetime.date(2025, 1, 15))
    >>> market = kelvara.Market(spot=100, vol=18, today=datetime.date(2024, 1, 15))
    >>> kelvara.pricing.price(note, market).price
    101.78877472859679
"""

import dataclasses
import datetime
import os
from typing import Optional, Sequence, Union

from .schedules import Calendar, Schedule, frequency_text

Levels = Union[float, Sequence[float]]
DateLike = Union[datetime.date, str]


def _shown(value):
    if isinstance(value, (list, tuple)) and len(value) > 4:
        return "[%s, ... %d values]" % (", ".join(map(str, value[:2])), len(value))
    if isinstance(value, Calendar):
        return repr(value)
    if isinstance(value, (datetime.date, os.PathLike)):
        return str(value)
    return repr(value)


def _changed(obj):
    """The fields that differ from their defaults, for a __repr__ that reads well."""
    parts = []
    for f in dataclasses.fields(obj):
        value = getattr(obj, f.name)
        if value != f.default:
            parts.append("%s=%s" % (f.name, _shown(value)))
    return "%s(%s)" % (type(obj).__name__, ", ".join(parts))


@dataclasses.dataclass(frozen=True, repr=False)
class Snowball:
    """A snowball: an autocallable note or option.

    Dated (start and expiry dates, and a schedule made by frequency and lock,
    or the observation dates themselves, a list or a Schedule, whose
    calendar the contract then uses unless given one) or timed
    (obs_times in years, maturity the last of them unless given). With
    neither, kelvara-cli's default: one year from the market's today,
    monthly, lock 3.

    ko, ki and coupon are one number or one per observation; coupons in %.
    floor 0 means none, strike 0 no participation.

        >>> kelvara.Snowball(kind="option", ko=[103, 102, 101, 100], obs_times=[0.25, 0.5, 0.75, 1])
        Snowball(kind='option', ko=(103, 102, 101, 100), obs_times=(0.25, 0.5, 0.75, 1))
    """

    kind: str = "note"
    ko: Levels = 103
    ki: Levels = 80
    coupon: Levels = 16
    div_coupon: float = 16
    floor: float = 0
    strike: float = 0
    participation: float = 0
    start: Optional[DateLike] = None
    expiry: Optional[DateLike] = None
    frequency: Optional[str] = None
    lock: Optional[int] = None
    dates: Optional[Union[Sequence[DateLike], Schedule]] = None
    obs_times: Optional[Sequence[float]] = None
    maturity: Optional[float] = None
    year_days: int = 243
    calendar: Optional[Calendar] = None

    def __post_init__(self):
        if self.kind not in ("note", "option"):
            raise ValueError("kind: %r is neither 'note' nor 'option'" % (self.kind,))
        for name in ("ko", "ki", "coupon", "dates", "obs_times"):
            value = getattr(self, name)
            if isinstance(value, list):  # frozen and hashable: lists become tuples
                object.__setattr__(self, name, tuple(value))
        if isinstance(self.calendar, (str, os.PathLike)):
            object.__setattr__(self, "calendar", Calendar(self.calendar))

    def keywords(self):
        """The command line's keywords of these terms (what kelvara.price takes)."""
        dates, start, expiry, calendar = self.dates, self.start, self.expiry, self.calendar
        if isinstance(dates, Schedule):
            calendar = calendar or dates.calendar
            dates, start, expiry = dates.dates, start or dates.start, expiry or dates.expiry
        k = {"type": self.kind, "ko": self.ko, "ki": self.ki, "coupon": self.coupon, "div_coupon": self.div_coupon,
             "floor": self.floor, "strike": self.strike, "participation": self.participation,
             "start": start, "expiry": expiry, "lock": self.lock, "dates": dates,
             "obs_times": self.obs_times, "T": self.maturity, "year_days": self.year_days,
             "freq": frequency_text(self.frequency) if self.frequency is not None else None,
             "calendar": calendar.path if calendar is not None else None}
        return {key: value for key, value in k.items() if value is not None}

    def replace(self, **changes):
        """A copy with some terms changed."""
        return dataclasses.replace(self, **changes)

    __repr__ = _changed


@dataclasses.dataclass(frozen=True, repr=False)
class Market:
    """The market a snowball is priced in: the flat spot, volatility (%),
    rate (%) and dividend yield (%), today's date (default: the system date),
    and optionally the market files in their place (accurate mode and the
    reference Monte Carlo): rate_curve, dividend_curve or futures, vol_curve,
    local_vol, or vol_surface (implied volatility quotes fitted into a local
    volatility).

        >>> kelvara.Market(spot=98.5, vol=22, today="20240115")
        Market(spot=98.5, vol=22, today='20240115')
    """

    spot: float = 100
    vol: float = 18
    rate: float = 1.5
    dividend: float = 0
    today: Optional[DateLike] = None
    rate_curve: Optional[Union[str, os.PathLike]] = None
    dividend_curve: Optional[Union[str, os.PathLike]] = None
    futures: Optional[Union[str, os.PathLike]] = None
    vol_curve: Optional[Union[str, os.PathLike]] = None
    local_vol: Optional[Union[str, os.PathLike]] = None
    vol_surface: Optional[Union[str, os.PathLike]] = None

    FILES = ("rate_curve", "dividend_curve", "futures", "vol_curve", "local_vol", "vol_surface")

    def keywords(self, spot=True):
        """The command line's keywords of this market; spot=False leaves out
        the spot and volatility (a book's records carry their own)."""
        k = {"rate": self.rate, "q": self.dividend, "today": self.today}
        if spot:
            k.update(spot=self.spot, vol=self.vol)
        k.update({name: getattr(self, name) for name in self.FILES})
        return {key: value for key, value in k.items() if value is not None}

    def replace(self, **changes):
        """A copy with some inputs changed."""
        return dataclasses.replace(self, **changes)

    __repr__ = _changed


__all__ = ["Snowball", "Market"]
