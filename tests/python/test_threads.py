"""Calls from several Python threads at once: each gets what it gets alone
(its own calendar, warnings and numbers), and none holds the GIL."""

import random
import sys
import threading
from concurrent.futures import ThreadPoolExecutor

import kelvara
from conftest import exact
from kelvara import _kelvara

DAY = ["--today", "20240115"]


def every_day_calendar(path):
    path.write_text("iDate\n" + "".join("%d\n" % (20240101 + i) for i in range(31)))
    return str(path)


def test_threads_give_what_each_call_gives_alone(tmp_path, book):
    calendar = every_day_calendar(tmp_path / "every_day.csv")
    runs = [
        ["price", *DAY],
        ["price", *DAY, "--type", "option", "--greeks", "--accurate"],
        ["price", "--today", "20341201"],  # warns: an estimated year
        ["profile", *DAY, "--vol", "30"],
        ["mc", *DAY, "--paths", "500"],
        ["mc", *DAY, "--reference", "--paths", "500", "--threads", "1"],
        ["schedule", "--start", "20240102", "--expiry", "20240131", "--freq", "周", "--lock", "1"],
        ["schedule", "--start", "20240102", "--expiry", "20240131", "--freq", "周", "--lock", "1", "--calendar", calendar],
        ["batch", *DAY, "--jobs", "2", str(book)],
        ["price", *DAY, "--spot", "abc"],
    ]
    runs = [[*r[:1], "--json", *r[1:]] for r in runs]
    shipped = kelvara.SHIPPED_CALENDAR
    alone = [_kelvara.run_command_line(r, shipped) for r in runs]
    order = [i for i in range(len(runs)) for _ in range(4)]
    random.Random(5).shuffle(order)
    with ThreadPoolExecutor(max_workers=4) as pool:
        together = list(pool.map(lambda i: _kelvara.run_command_line(runs[i], shipped), order))
    for i, result in zip(order, together):
        assert result == alone[i], runs[i]
    assert alone[2][3] and not alone[0][3] and alone[7][1] != alone[6][1] and alone[9][0] == 2


def test_the_gil_is_released_while_a_command_runs():
    # With a switch interval this long the GIL changes hands only when given
    # up: the main thread runs during the call only if the call gave it up.
    in_call, done = threading.Event(), threading.Event()

    def work():
        in_call.set()
        kelvara.mc(today="20240115", reference=True, paths=400000, threads=1)
        done.set()

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000)
    try:
        worker = threading.Thread(target=work)
        worker.start()
        in_call.wait()
        ran_during_call = not done.is_set()
        worker.join()
    finally:
        sys.setswitchinterval(interval)
    assert ran_during_call


def test_threads_of_the_module_functions_agree():
    kwargs = [{"today": "20240115", "vol": v} for v in (12, 18, 25, 40)]
    alone = [exact([kelvara.price(**k).to_dict()]) for k in kwargs]
    with ThreadPoolExecutor(max_workers=4) as pool:
        together = list(pool.map(lambda k: exact([kelvara.price(**k).to_dict()]), kwargs * 3))
    assert together == alone * 3
