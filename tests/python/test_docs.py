"""What the package shows its users runs as shown: the example script
(headless, its PNG a real picture), the docstrings' examples, and type stubs
that name the same parameters as the functions."""

import ast
import datetime
import doctest
import inspect
import os
import subprocess
import sys

import pytest

import kelvara
from kelvara import book, pricing, schedules, terms

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir)


def test_example_script_draws_its_png(tmp_path):
    pytest.importorskip("matplotlib")
    png = tmp_path / "default.png"
    script = os.path.join(SOURCE, "examples", "default_structure.py")
    run = subprocess.run([sys.executable, script, str(png), "--today", "20240115"], capture_output=True, text=True,
                         env={**os.environ, "MPLBACKEND": "", "DISPLAY": ""}, timeout=120)
    assert run.returncode == 0, run.stderr
    assert "price=101.7888" in run.stdout  # the default structure's design price on that day
    from matplotlib.image import imread

    image = imread(str(png))
    assert image.shape[:2] == (420, 1100) and image.std() > 0.1  # drawn, not a blank page


@pytest.mark.parametrize("module", [kelvara, schedules, terms, pricing, book], ids=lambda m: m.__name__)
def test_docstring_examples(module):
    outcome = doctest.testmod(module, extraglobs={"kelvara": kelvara, "datetime": datetime}, report=True)
    assert outcome.attempted > 0 and outcome.failed == 0


def stub_parameters(stub):
    tree = ast.parse(open(os.path.join(os.path.dirname(kelvara.__file__), stub), encoding="utf-8").read())
    found = {}
    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            a = node.args
            found[node.name] = [p.arg for p in a.posonlyargs + a.args + a.kwonlyargs]
    return found


@pytest.mark.parametrize("module,stub", [(pricing, "pricing.pyi"), (book, "book.pyi")], ids=["pricing", "book"])
def test_stubs_name_the_functions_parameters(module, stub):
    declared = stub_parameters(stub)
    assert set(declared) == set(n for n in module.__all__ if inspect.isfunction(getattr(module, n)))
    for name, parameters in declared.items():
        assert parameters == list(inspect.signature(getattr(module, name)).parameters), name


def test_stub_names_every_command():
    assert set(kelvara.commands) <= set(stub_parameters("__init__.pyi"))
