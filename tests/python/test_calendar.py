"""The trading calendar is found as kelvara-cli finds it: calendar=FILE, else
./trade_calendar.csv, else the copy shipped with the package (beside the
program for kelvara-cli); a file that changed is read again."""

import filecmp
import os
import pathlib

import kelvara
from conftest import assert_agrees, exact

SCHEDULE = {"start": "20240102", "expiry": "20240131", "freq": "周", "lock": "1"}


def days(path, count):
    path.write_text("iDate\n" + "".join("%d\n" % (20240101 + i) for i in range(count)))
    return path


def test_shipped_copy_is_the_programs(tmp_path, monkeypatch):
    shipped = pathlib.Path(kelvara.SHIPPED_CALENDAR)
    assert shipped.parent == pathlib.Path(kelvara.__file__).parent
    assert filecmp.cmp(shipped, pathlib.Path(os.environ["KELVARA_CLI"]).parent / "trade_calendar.csv", shallow=False)
    monkeypatch.chdir(tmp_path)  # no trade_calendar.csv here
    assert_agrees("schedule", SCHEDULE)


def test_working_directory_calendar_comes_first(tmp_path, monkeypatch):
    shipped = kelvara.schedule(**SCHEDULE)
    days(tmp_path / "trade_calendar.csv", 31)
    monkeypatch.chdir(tmp_path)
    local = kelvara.schedule(**SCHEDULE)
    assert local.to_dict() != shipped.to_dict()
    assert exact([local.to_dict()]) == exact([kelvara.schedule(**SCHEDULE, calendar=tmp_path / "trade_calendar.csv").to_dict()])


def test_a_changed_file_is_read_again(tmp_path):
    calendar = days(tmp_path / "cal.csv", 31)
    texts = {**SCHEDULE, "calendar": str(calendar)}
    first, _ = assert_agrees("schedule", texts)
    days(calendar, 20)  # now ends 20240120, before the expiry
    _, error = assert_agrees("schedule", texts)
    assert first["trading_days"] == 30 and "lies outside the trading calendar" in str(error)
