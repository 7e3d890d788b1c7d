"""Shared by the Python tests: kelvara-cli as a user's script runs it, and the
check that the module and the program agree on a command."""

import json
import os
import subprocess
import warnings

import pytest

import kelvara

CLI = os.environ.get("KELVARA_CLI", "kelvara-cli")


def run_cli(args, cwd=None):
    """(status, stdout, stderr) of the built kelvara-cli."""
    p = subprocess.run([CLI, *args], capture_output=True, text=True, cwd=cwd, timeout=120)
    return p.returncode, p.stdout, p.stderr


def command_line(command, texts, positional=()):
    """The command line a user types for keywords given as texts (True: a flag)."""
    args = [command, *positional]
    for key, value in texts.items():
        option = "--" + key.rstrip("_").replace("_", "-")
        args += [option] if value is True else [option, value]
    return args + ["--json"]


def exact(objects):
    """JSON text of each object: member order, ints against doubles and every
    double's bits (repr reads back to the same double) all count."""
    return [json.dumps(o) for o in objects]


def stderr_lines(stderr, kind):
    prefix = kind + ": "
    return [line[len(prefix):] for line in stderr.splitlines() if line.startswith(prefix)]


def call(command, *args, **kwargs):
    """(result or None, KelvaraError or None, [warning texts]) of one module call."""
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        try:
            result, error = getattr(kelvara, command)(*args, **kwargs), None
        except kelvara.KelvaraError as e:
            result, error = e.result, e
    assert all(issubclass(w.category, kelvara.KelvaraWarning) for w in caught)
    return result, error, [str(w.message) for w in caught]


def assert_agrees(command, texts, module_kwargs=None, positional=(), timings=()):
    """The module's call and kelvara-cli's run agree on the JSON, the error
    lines and status, and the warnings. texts are the command line's texts
    (and its positional arguments); module_kwargs (default: the same texts)
    what the module is called with; timings the members that are clock times
    (present on both sides, but no two runs agree on them)."""
    status, out, err = run_cli(command_line(command, texts, positional))
    result, error, caught = call(command, **(texts if module_kwargs is None else module_kwargs))
    assert (error.status if error else 0) == status, err
    assert (error.errors if error else []) == stderr_lines(err, "error")
    assert caught == stderr_lines(err, "warning")
    def untimed(objects):
        objects = [dict(o) for o in objects]
        for o in objects:
            for key in timings:
                assert isinstance(o.pop(key), float)
        return exact(objects)

    assert untimed(result.to_list() if result else []) == untimed(json.loads(line) for line in out.splitlines())
    return result, error


@pytest.fixture
def book(tmp_path):
    """A structure file of four records: two price, two fail."""
    path = tmp_path / "book.csv"
    head = ("iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
            "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
            "dVolatility,9Observe\n")
    dates = "20240415_20240515_20240614_20240715_20240815_20240913_20241015_20241115_20241216_20250115"
    rows = [
        "1,11,a,b,c,d,100,100,103,80,16,16,0,0,0,0,12,20240115,20250115,18," + dates,
        "2,12,a,b,c,d,100,100,103,80,16,16,0,0,0,0,12,20240115,20250115,18,20240415_xx",
        "3,13,a,b,c,d,100,98,101,75,12,12,70,0,100,0.5,12,20240115,20250115,25," + dates,
        "4,14,a,b,c,d,100,100,103,80,16,16,0,0,0,0,12,20240115,20350115,18,20240415_20240515",
    ]
    path.write_text(head + "\n".join(rows) + "\n")
    return path
