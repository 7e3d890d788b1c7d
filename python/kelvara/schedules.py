"""Trading calendars and the window's knock-out observation schedules.

    >>> import datetime, kelvara
    >>> s = kelvara.Calendar.shipped().schedule(datetime.date(2024, 1, 15), datetime.date(2025, 1, 15))
    >>> s.dates[:2], len(s), s.trading_days
    ((datetime.date(2024, 4, 15), datetime.date(2024, 5, 15)), 10, 243)
"""

import os

from ._commands import SHIPPED_CALENDAR
from ._values import run, to_date

# Pythonic names of the window's frequencies, beside the command line's own
# texts (周, 双周, 月, 1W, 2W, 1M), which pass unchanged.
FREQUENCIES = {"weekly": "1W", "biweekly": "2W", "monthly": "1M"}


def frequency_text(frequency):
    return FREQUENCIES.get(frequency, frequency)


class Calendar:
    """A trading calendar: the one shipped with Kelvara, or a calendar file
    (the CSV of trading dates kelvara-cli's --calendar reads).

    The file is read when a schedule or price asks for it; a file that cannot
    be read is refused then (ValueError with kelvara-cli's reason).

        >>> kelvara.Calendar.from_file("trade_calendar.csv")  # doctest: +SKIP
        Calendar('trade_calendar.csv')
    """

    def __init__(self, path=None):
        self._path = os.fspath(path) if path is not None else SHIPPED_CALENDAR

    @classmethod
    def shipped(cls):
        """The trading calendar shipped with the package."""
        return cls()

    @classmethod
    def from_file(cls, path):
        """The trading calendar in a calendar file."""
        return cls(path)

    @property
    def path(self):
        """The calendar file."""
        return self._path

    def schedule(self, start, expiry, frequency="monthly", lock=3, *, today=None):
        """The window's observation schedule from start to expiry (dates or
        yyyyMMdd texts, each rolled onto a trading day): every frequency
        ("weekly", "biweekly", "monthly", or the window's 周/双周/月) after the
        first lock - 1 periods, rolled onto trading days; dates that roll onto
        the same day merge, with a KelvaraWarning.

            >>> cal = kelvara.Calendar.shipped()
            >>> cal.schedule(datetime.date(2024, 1, 15), datetime.date(2024, 7, 15), lock=1).dates[-1]
            datetime.date(2024, 7, 15)
        """
        result = run("schedule", start=start, expiry=expiry, freq=frequency_text(frequency), lock=lock,
                     calendar=self._path, today=today)
        return Schedule(result.to_dict(), self)

    def __eq__(self, other):
        return isinstance(other, Calendar) and other._path == self._path

    def __hash__(self):
        return hash(self._path)

    def __repr__(self):
        if self._path == SHIPPED_CALENDAR:
            return "Calendar.shipped()"
        return "Calendar(%r)" % self._path


class Schedule:
    """Observation dates from a Calendar's schedule(): a sequence of
    datetime.date, with the start, the expiry and the trading days between.
    A Snowball takes it as its schedule, on its calendar."""

    def __init__(self, obj, calendar):
        self._obj = obj
        self.calendar = calendar
        self.start = to_date(obj["start"])
        self.expiry = to_date(obj["expiry"])
        self.dates = tuple(to_date(d) for d in obj["dates"].split("_"))
        self.trading_days = obj["trading_days"]
        self.calendar_estimated = obj["calendar_estimated"]

    def to_dict(self):
        """The schedule command's --json object."""
        return dict(self._obj)

    def __len__(self):
        return len(self.dates)

    def __iter__(self):
        return iter(self.dates)

    def __getitem__(self, i):
        return self.dates[i]

    def __repr__(self):
        shown = ", ".join(d.isoformat() for d in self.dates[:3]) + (", ..." if len(self.dates) > 3 else "")
        return "Schedule(%s to %s, %d dates: %s; %d trading days)" % (
            self.start.isoformat(), self.expiry.isoformat(), len(self.dates), shown, self.trading_days)


__all__ = ["Calendar", "Schedule", "FREQUENCIES"]
