"""Keywords: the command line's texts and natural Python values give the same
command line; what is not an option of the command is refused."""

import datetime
import doctest
import inspect
import pathlib
import re

import numpy
import pytest

import kelvara
from conftest import assert_agrees, exact, run_cli

D = datetime.date
DAY = {"today": "20240115"}
VOL = 18.123456789012345  # needs all 17 digits to read back

# (command, the command line's texts, the same as Python values)
NATURAL = {
    "numbers": ("price", {"spot": "95.5", "vol": repr(VOL), "M": "150", "rate": "-0.5"},
                {"spot": 95.5, "vol": VOL, "M": 150, "rate": -0.5}),
    "dates": ("price", {"today": "20240115", "dates": "20240415_20240715_20241015_20250115", "start": "20240116"},
              {"today": D(2024, 1, 15), "dates": [D(2024, 4, 15), D(2024, 7, 15), D(2024, 10, 15), D(2025, 1, 15)],
               "start": datetime.datetime(2024, 1, 16, 9, 30)}),
    "value_lists": ("price", {"ko": "103_102.5_102_101.5", "ki": "80_79_78_77", "obs_times": "0.25,0.5,0.75,1"},
                    {"ko": numpy.array([103, 102.5, 102, 101.5]), "ki": (80, 79, 78, 77), "obs_times": [0.25, 0.5, 0.75, 1]}),
    "range": ("stress", {"prices": "80:120:20", "vols": "0.1:0.3:0.1", "days": "50"},
              {"prices": (80, 120, 20), "vols": [0.1, 0.3, 0.1], "days": numpy.int64(50)}),
    "flags": ("price", {"greeks": True, "lookup_date": "20240301"},
              {"greeks": True, "knocked_in": False, "lookup_date": D(2024, 3, 1), "lookup_spot": None}),
    "trailing_underscore": ("solve", {"for_": "coupon", "target": "100", "lo": "0.01", "hi": "0.4"},
                            {"for_": "coupon", "target": 100, "lo": 0.01, "hi": 0.4}),
    "integers": ("mc", {"reference": True, "paths": "1000", "seed": "11", "threads": "1"},
                 {"reference": True, "paths": 1000, "seed": 11, "threads": 1}),
}


@pytest.mark.parametrize("command,texts,values", NATURAL.values(), ids=NATURAL.keys())
def test_natural_values_give_the_texts_command_line(command, texts, values):
    assert_agrees(command, {**DAY, **texts}, {**DAY, **values})


def test_paths_and_positional_file(book, tmp_path):
    calendar = tmp_path / "calendar.csv"
    calendar.write_text("iDate\n" + "".join("%d\n" % (20240101 + i) for i in range(28)))
    assert_agrees("schedule", {"calendar": str(calendar), "start": "20240102", "expiry": "20240126", "freq": "周",
                               "lock": "1"}, {"calendar": calendar, "start": "20240102", "expiry": "20240126",
                                              "freq": "周", "lock": 1})
    with pytest.raises(kelvara.KelvaraError) as positional:
        kelvara.batch(book, **DAY)
    with pytest.raises(kelvara.KelvaraError) as keyword:
        kelvara.batch(file=str(book), **DAY)
    assert exact(positional.value.result.to_list()) == exact(keyword.value.result.to_list())


MISTAKES = {
    "unknown": ({"spott": 95}, "unexpected keyword argument 'spott'"),
    "python_keyword": ({"for": "vol"}, "unexpected keyword argument 'for'"),
    "json_is_always_on": ({"json": True}, "unexpected keyword argument 'json'"),
    "list_for_one_value": ({"spot": [95, 96]}, "'spot' takes one value, not a list"),
    "date_for_a_number": ({"spot": D(2024, 1, 15)}, "'spot' takes no date"),
    "flag_with_a_value": ({"greeks": "yes"}, "'greeks' is a flag"),
    "bool_for_a_value": ({"spot": True}, "'spot' takes a value, not True"),
    "dict": ({"ko": {"a": 1}}, "'ko' cannot take a dict"),
}


@pytest.mark.parametrize("kwargs,message", MISTAKES.values(), ids=MISTAKES.keys())
def test_mistakes_are_type_errors_naming_the_keyword(kwargs, message):
    with pytest.raises(TypeError, match=re.escape(message)):
        kelvara.price(**DAY, **kwargs)


def test_positional_mistakes(book):
    with pytest.raises(TypeError, match="multiple values for argument 'file'"):
        kelvara.batch(book, file=book)
    with pytest.raises(TypeError, match="takes 0 positional arguments"):
        kelvara.price(95)


def test_every_command_of_the_program_is_a_function():
    status, help_text, _ = run_cli(["--help-all"])
    listed = re.findall(r"^([a-z]+)$", help_text.split("Subcommands:")[1], re.M)
    assert status == 0 and kelvara.commands == tuple(listed)
    solve = inspect.signature(kelvara.solve).parameters
    assert solve["for_"].kind is inspect.Parameter.KEYWORD_ONLY and "lookup_spot" in inspect.signature(kelvara.price).parameters
    assert list(inspect.signature(kelvara.batch).parameters)[0] == "file"


def test_result_reads_like_the_json():
    r = kelvara.price(**DAY)
    assert r["price"] == r.to_dict()["price"] and r.command == "price" and list(r.keys())[0] == "command"
    assert repr(r).startswith("kelvara.price(price=%r, structure={" % r["price"])
    with pytest.raises(TypeError, match="to_list"):
        kelvara.Result("batch", [{}, {}]).to_dict()


def test_module_examples_run():
    assert doctest.testmod(kelvara).failed == 0
