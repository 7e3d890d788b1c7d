"""What the object layer shares: dates both ways, the pricing method's
keyword, and the one way it runs a command."""

import datetime
import math

from ._commands import COMMANDS

METHODS = {"design": {}, "accurate": {"accurate": True}}


def run(command, *positional, **keywords):
    """The command's Result (a KelvaraError, a ValueError, when it refuses)."""
    return COMMANDS[command](*positional, **keywords)


def to_date(text):
    """A yyyyMMdd text of a result as a datetime.date (None stays None)."""
    if text is None:
        return None
    return datetime.date(int(text[:4]), int(text[4:6]), int(text[6:8]))


def method_keywords(method):
    """The command's keywords for a pricing method, "design" or "accurate"."""
    try:
        return dict(METHODS[method])
    except (KeyError, TypeError):
        raise ValueError("method: %r is neither 'design' nor 'accurate'" % (method,)) from None


def finite(value, what):
    """value, or a ValueError when it is no finite number: nothing hands back NaN unnoticed."""
    if not isinstance(value, (int, float)) or not math.isfinite(value):
        raise ValueError("%s is %r, not a finite number" % (what, value))
    return value


def short(value):
    """A number as a notebook line shows it: four decimals, else as is."""
    return "%.4f" % value if isinstance(value, float) else repr(value)
