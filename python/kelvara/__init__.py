"""Kelvara for Python: the snowball pricing engine of the Kelvara calculator.

Every kelvara-cli command is a function of this module with the same name
(price, solve, scan, stress, mc, schedule, grid, batch, profile, surface, and any
command added later), taking the command's long options as keywords and
returning the command's --json object, bit for bit::

    >>> import datetime, kelvara
    >>> r = kelvara.price(today="20240115", vol=20)
    >>> r["price"]
    100.44891196990687
    >>> kelvara.schedule(start=datetime.date(2024, 1, 15), expiry="20240715", lock=1)["dates"]
    '20240219_20240315_20240415_20240515_20240617_20240715'

Refusals raise KelvaraError (a ValueError) with kelvara-cli's error text;
its warnings go to the warnings module as KelvaraWarning. The trading
calendar is calendar=FILE, else ./trade_calendar.csv, else the copy shipped
with the package. Each call runs without the GIL, so threads price at once.

Over them, for notebooks: Calendar and Schedule, the Snowball contract and
its Market, kelvara.pricing (price, probabilities, solve, stress, scan,
monte_carlo) with results of numbers and numpy arrays, and
kelvara.book.price_book returning a pandas DataFrame::

    >>> from kelvara.pricing import price
    >>> price(kelvara.Snowball(), kelvara.Market(today="20240115", vol=20)).price
    100.44891196990687
"""

from ._commands import COMMANDS, SHIPPED_CALENDAR, KelvaraError, KelvaraWarning, Result

globals().update(COMMANDS)
commands = tuple(COMMANDS)

# The object layer over the commands: contracts, markets and results with
# numpy arrays (kelvara.pricing, kelvara.book).
from . import book, pricing  # noqa: E402
from .schedules import Calendar, Schedule  # noqa: E402
from .terms import Market, Snowball  # noqa: E402

__all__ = ["KelvaraError", "KelvaraWarning", "Result", "SHIPPED_CALENDAR", "commands", *commands,
           "Calendar", "Schedule", "Snowball", "Market", "pricing", "book"]
