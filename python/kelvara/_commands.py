"""kelvara-cli's commands as functions of the module.

``kelvara.price(spot=95, greeks=True, today=datetime.date(2024, 1, 15))`` runs
``kelvara-cli price --spot 95 --greeks --today 20240115 --json`` in this
process, through the same code as kelvara-cli, and returns its JSON as a
:class:`Result`. The functions are made from the commands kelvara-cli
registers, so a command added there is a function here too.
"""

import datetime
import inspect
import json
import keyword
import numbers
import os
import sys
import warnings

from . import _kelvara

# Used when neither calendar= nor ./trade_calendar.csv names a calendar, as
# kelvara-cli uses the copy beside it.
SHIPPED_CALENDAR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "trade_calendar.csv")
_PACKAGE = os.path.dirname(os.path.abspath(__file__)) + os.sep

_JSON = json.JSONDecoder()

# Not keywords: the result is always the JSON, and the help is the docstring.
_LEFT_OUT = frozenset({"json", "help", "help-all"})


class KelvaraError(ValueError):
    """A command refused; the message is kelvara-cli's error text.

    Attributes:
        errors: the messages kelvara-cli writes after "error: ", one per line
            (a batch names each failed record, then how many failed).
        status: kelvara-cli's exit status: 2 bad input, 1 the engine refused
            the structure or the target is out of reach.
        result: what a partly failed batch still priced (a Result), else None.
    """

    def __init__(self, errors, status, result=None):
        super().__init__("\n".join(errors))
        self.errors = list(errors)
        self.status = status
        self.result = result


class KelvaraWarning(UserWarning):
    """A warning kelvara-cli writes on standard error, e.g. a low price ceiling."""


def _summary(value):
    if isinstance(value, dict):
        return "{%d members}" % len(value)
    if isinstance(value, list) and (len(value) > 4 or any(isinstance(v, (list, dict)) for v in value)):
        return "[%d items]" % len(value)
    return repr(value)


class Result:
    """A command's result: the JSON object kelvara-cli prints with --json.

    ``to_dict()`` is that object (same keys in the same order, the same
    doubles); ``result["price"]`` reads one member. ``batch`` prints one
    object per record: ``to_list()`` gives them all.
    """

    def __init__(self, command, objects):
        self._command = command
        self._objects = objects

    @property
    def command(self):
        """The command's name."""
        return self._command

    def to_list(self):
        """Every JSON object the command printed, in order (a batch: one per record)."""
        return list(self._objects)

    def to_dict(self):
        """The JSON object the command printed; TypeError when it printed several (use to_list())."""
        if len(self._objects) != 1:
            raise TypeError("%s printed %d JSON objects: use to_list()" % (self._command, len(self._objects)))
        return self._objects[0]

    def __getitem__(self, key):
        return self.to_dict()[key]

    def keys(self):
        return self.to_dict().keys()

    def __repr__(self):
        def members(obj):
            return ", ".join("%s=%s" % (k, _summary(v)) for k, v in obj.items() if k != "command")

        if len(self._objects) == 1:
            return "kelvara.%s(%s)" % (self._command, members(self._objects[0]))
        lines = ["kelvara.%s: %d results" % (self._command, len(self._objects))]
        lines += ["  (%s)" % members(obj) for obj in self._objects]
        return "\n".join(lines)


class _Option:
    """One option of a command, and how a Python value becomes its text."""

    def __init__(self, description):
        self.name = description.name
        self.positional = description.positional
        self.flag = description.flag
        self.dates = description.dates
        self.separator = description.separator
        self.help = description.help
        self.default = description.default
        kw = self.name.lower() if self.positional else self.name.replace("-", "_")
        self.keyword = kw + "_" if keyword.iskeyword(kw) else kw

    def given(self, value, function):
        """Whether a flag is given: True or False only."""
        if isinstance(value, bool):
            return value
        raise TypeError("%s() argument '%s' is a flag: True or False, not %r" % (function, self.keyword, value))

    def text(self, value, function):
        """The option's text: as given when a str, else the natural value written as the command line takes it."""
        if isinstance(value, str):
            return value
        if isinstance(value, os.PathLike):
            return os.fsdecode(value)
        if hasattr(value, "tolist") and not isinstance(value, numbers.Number):
            value = value.tolist()  # numpy arrays, pandas series
        if isinstance(value, (list, tuple)):
            if not self.separator:
                raise TypeError("%s() argument '%s' takes one value, not a %s" % (function, self.keyword, type(value).__name__))
            return self.separator.join(self._item(v, function) for v in value)
        return self._item(value, function)

    def _item(self, value, function):
        if isinstance(value, str):
            return value
        if isinstance(value, bool):
            raise TypeError("%s() argument '%s' takes a value, not %r" % (function, self.keyword, value))
        if isinstance(value, datetime.date):
            if not self.dates:
                raise TypeError("%s() argument '%s' takes no date" % (function, self.keyword))
            return "%04d%02d%02d" % (value.year, value.month, value.day)
        if isinstance(value, numbers.Integral):
            return str(int(value))
        if isinstance(value, numbers.Real):
            return repr(float(value))  # the shortest text that reads back to the same double
        raise TypeError("%s() argument '%s' cannot take a %s" % (function, self.keyword, type(value).__name__))


def _outside_level():
    """The stacklevel of the first caller outside this package: a warning
    names the user's line, whichever of the package's layers ran the command."""
    level, frame = 1, sys._getframe(1)
    while frame.f_back is not None and frame.f_code.co_filename.startswith(_PACKAGE):
        frame, level = frame.f_back, level + 1
    return level


def _run(name, options, kwargs):
    args = [name, "--json"]
    positional = []
    for key, value in kwargs.items():
        option = options.get(key)
        if option is None:
            raise TypeError("%s() got an unexpected keyword argument '%s'" % (name, key))
        if value is None:
            continue
        if option.positional:
            positional.append(option.text(value, name))
        elif option.flag:
            if option.given(value, name):
                args.append("--" + option.name)
        else:
            args += ["--" + option.name, option.text(value, name)]
    if positional:
        args += ["--"] + positional

    status, output, errors, warning_lines = _kelvara.run_command_line(args, SHIPPED_CALENDAR)
    for line in warning_lines.splitlines():
        warnings.warn(line[len("warning: "):] if line.startswith("warning: ") else line, KelvaraWarning,
                      stacklevel=_outside_level())
    # Each line is one object starting at its first character: raw_decode
    # skips json.loads's search for surrounding blanks.
    result = Result(name, [_JSON.raw_decode(line)[0] for line in output.splitlines()])
    if status != 0:
        raise KelvaraError(errors, status, result if result.to_list() else None)
    return result


def _docstring(description, options):
    lines = [
        "%s. Runs `kelvara-cli %s ... --json` and returns its Result;" % (description.help, description.name),
        "raises KelvaraError (a ValueError) with its error text and sends its warnings",
        "to the warnings module (KelvaraWarning).",
        "",
        "Keywords are the command's long options (dashes become underscores, a",
        "Python keyword gets a trailing underscore, flags take True). Each takes",
        "the command line's text, or a number, a list of them (joined as the",
        "option expects) or a datetime.date, in the command's units.",
        "",
    ]
    for o in options:
        shape = " (flag)" if o.flag else ""
        default = " [default: %s]" % o.default if o.default else ""
        lines.append("    %s%s: %s%s" % (o.keyword, shape, o.help, default))
    return "\n".join(lines)


def _command_function(description):
    options = [_Option(o) for o in description.options if o.name not in _LEFT_OUT]
    by_keyword = {o.keyword: o for o in options}
    positionals = [o for o in options if o.positional]
    name = description.name

    def command(*args, **kwargs):
        if len(args) > len(positionals):
            raise TypeError("%s() takes %d positional arguments but %d were given" % (name, len(positionals), len(args)))
        for option, value in zip(positionals, args):
            if option.keyword in kwargs:
                raise TypeError("%s() got multiple values for argument '%s'" % (name, option.keyword))
            kwargs[option.keyword] = value
        return _run(name, by_keyword, kwargs)

    command.__name__ = command.__qualname__ = name
    command.__module__ = "kelvara"
    command.__doc__ = _docstring(description, options)
    command.__signature__ = inspect.Signature(
        [inspect.Parameter(o.keyword, inspect.Parameter.POSITIONAL_OR_KEYWORD) for o in positionals]
        + [inspect.Parameter(o.keyword, inspect.Parameter.KEYWORD_ONLY, default=None) for o in options if not o.positional]
    )
    return command


def command_functions():
    """{name: function} for every command kelvara-cli registers."""
    return {d.name: _command_function(d) for d in _kelvara.describe_commands()}


# The functions the package exports, which its object layer calls too.
COMMANDS = command_functions()
