"""The object layer (Snowball, Market, kelvara.pricing, kelvara.book) gives
kelvara-cli's numbers to the last bit: each case is written twice, as
objects and as the command line a user types, so a term mapped onto the
wrong option or a figure read from the wrong member shows."""

import datetime
import json

import numpy as np
import pytest

import kelvara
from conftest import exact, run_cli
from kelvara.book import price_book
from kelvara.pricing import Lookup, monte_carlo, price, probabilities, scan, solve, stress

TODAY = datetime.date(2024, 1, 15)
DAY = ["--today", "20240115"]
D = datetime.date

# (contract, market, the same terms as kelvara-cli options)
CASES = {
    "default": (kelvara.Snowball(), kelvara.Market(), []),
    "option": (kelvara.Snowball(kind="option"), kelvara.Market(), ["--type", "option"]),
    "floor": (kelvara.Snowball(floor=80), kelvara.Market(), ["--floor", "80"]),
    "participation": (kelvara.Snowball(strike=100, participation=0.8), kelvara.Market(),
                      ["--strike", "100", "--participation", "0.8"]),
    "step_down_ko": (kelvara.Snowball(ko=[103 - 0.5 * i for i in range(10)]), kelvara.Market(),
                     ["--ko", "_".join(str(103 - 0.5 * i) for i in range(10))]),
    "step_down_ki": (kelvara.Snowball(ki=list(range(80, 60, -2))), kelvara.Market(),
                     ["--ki", "_".join(str(k) for k in range(80, 60, -2))]),
    "coupons": (kelvara.Snowball(coupon=list(range(10, 20))), kelvara.Market(),
                ["--coupon", "_".join(str(c) for c in range(10, 20))]),
    "div_coupon": (kelvara.Snowball(ki=70, coupon=20, div_coupon=10), kelvara.Market(),
                   ["--ki", "70", "--coupon", "20", "--div-coupon", "10"]),
    "high_vol": (kelvara.Snowball(expiry=D(2026, 1, 15)), kelvara.Market(vol=40),
                 ["--expiry", "20260115", "--vol", "40"]),
    "spot_82": (kelvara.Snowball(), kelvara.Market(spot=82), ["--spot", "82"]),
    "rates": (kelvara.Snowball(), kelvara.Market(rate=2, dividend=3), ["--rate", "2", "--q", "3"]),
    "negative_rate": (kelvara.Snowball(), kelvara.Market(rate=-0.5, vol=12.5), ["--rate", "-0.5", "--vol", "12.5"]),
    "timed": (kelvara.Snowball(kind="option", ko=[103, 102, 101, 100], obs_times=[0.25, 0.5, 0.75, 1]),
              kelvara.Market(), ["--type", "option", "--ko", "103_102_101_100", "--obs-times", "0.25,0.5,0.75,1"]),
    "timed_maturity": (kelvara.Snowball(obs_times=[0.5, 1], maturity=1.5), kelvara.Market(),
                       ["--obs-times", "0.5,1", "--T", "1.5"]),
    "dates": (kelvara.Snowball(dates=[D(2024, 4, 15), D(2024, 7, 15), D(2024, 10, 15), D(2025, 1, 15)]),
              kelvara.Market(), ["--dates", "20240415_20240715_20241015_20250115"]),
    "weekly": (kelvara.Snowball(frequency="weekly", lock=4, expiry=D(2024, 7, 15)), kelvara.Market(),
               ["--freq", "1W", "--lock", "4", "--expiry", "20240715"]),
    "biweekly": (kelvara.Snowball(frequency="双周", expiry=D(2024, 10, 15)), kelvara.Market(),
                 ["--freq", "双周", "--expiry", "20241015"]),
    "start": (kelvara.Snowball(start=D(2024, 3, 1), expiry=D(2025, 3, 3), lock=6), kelvara.Market(),
              ["--start", "20240301", "--expiry", "20250303", "--lock", "6"]),
    "year_days": (kelvara.Snowball(year_days=252), kelvara.Market(), ["--year-days", "252"]),
    "option_low_ko": (kelvara.Snowball(kind="option", ko=100, ki=75), kelvara.Market(vol=25),
                      ["--type", "option", "--ko", "100", "--ki", "75", "--vol", "25"]),
    "option_floor": (kelvara.Snowball(kind="option", floor=70, strike=105, participation=1.5), kelvara.Market(),
                     ["--type", "option", "--floor", "70", "--strike", "105", "--participation", "1.5"]),
    "spot_150": (kelvara.Snowball(ko=155, ki=120), kelvara.Market(spot=150), ["--ko", "155", "--ki", "120", "--spot", "150"]),
}
for case in CASES.values():
    case[2][:0] = DAY
CASES = {name: (c, m.replace(today=TODAY), texts) for name, (c, m, texts) in CASES.items()}
MODES = {"design": [], "accurate": ["--accurate"]}


def cli_json(command, texts):
    status, out, err = run_cli([command, *texts, "--json"])
    assert status == 0, err
    return json.loads(out)


def same(answer, cli, members):
    """The object's JSON is the program's, and each attribute reads its own member."""
    assert exact([answer.to_dict()]) == exact([cli])
    for attribute, member in members.items():
        assert getattr(answer, attribute) == cli[member], attribute


GREEKS = {k: k for k in ("spot", "tau", "knocked_in", "price", "delta", "gamma", "theta", "vega", "rho")}


@pytest.mark.parametrize("mode", MODES, ids=MODES)
@pytest.mark.parametrize("name", CASES, ids=CASES)
def test_price_and_probabilities(name, mode):
    contract, market, texts = CASES[name]
    texts = texts + MODES[mode]
    cli = cli_json("price", texts + ["--greeks"])
    v = price(contract, market, method=mode, greeks=True)
    same(v, cli, {"price": "price"})
    same(v.greeks, cli["greeks"], GREEKS)
    assert v.error_estimate == cli.get("error_estimate") and (v.error_estimate is None) == (mode == "design")
    assert v.greeks.raw.vega == cli["greeks"]["vega"] * 100 and v.greeks.raw.theta == cli["greeks"]["theta"] * contract.year_days

    cli = cli_json("profile", texts)
    p = probabilities(contract, market, method=mode)
    same(p, cli, {"maturity": "maturity_probability", "knock_in": "ki_probability", "loss": "loss_probability",
                  "expected_life": "expected_life"})
    assert p.knock_out.tolist() == [o["ko_probability"] for o in cli["observations"]]
    assert p.times.tolist() == [o["time"] for o in cli["observations"]]
    assert [d and d.strftime("%Y%m%d") for d in p.dates] == [o.get("date") for o in cli["observations"]]


@pytest.mark.parametrize("mode", MODES, ids=MODES)
@pytest.mark.parametrize("name", ["default", "timed", "option_floor", "step_down_ko"])
def test_lookups_solve_stress_scan(name, mode):
    contract, market, texts = CASES[name]
    texts = texts + MODES[mode]
    v = price(contract, market, method=mode, lookups=[Lookup(95, D(2024, 3, 1), True), (104,)])
    same(v.lookups[0], cli_json("price", texts + ["--greeks", "--lookup-spot", "95", "--lookup-date", "20240301",
                                                  "--knocked-in"])["greeks"], GREEKS)
    same(v.lookups[1], cli_json("price", texts + ["--greeks", "--lookup-spot", "104"])["greeks"], GREEKS)
    target = round(v.price - 0.5, 2)  # below the price: a lower coupon reaches it
    same(solve(contract, market, "coupon", target=target, lo=0.01, hi=0.6, method=mode),
         cli_json("solve", texts + ["--for", "coupon", "--target", str(target), "--lo", "0.01", "--hi", "0.6"]),
         {"value": "value", "target": "target", "lo": "lo", "hi": "hi"})
    cli = cli_json("stress", texts + ["--prices", "80:120:20", "--vols", "0.1:0.4:0.15", "--days", "60"])
    g = stress(contract, market, prices=(80, 120, 20), vols=(0.1, 0.4, 0.15), days=60, method=mode)
    same(g, cli, {"days": "days", "tau": "tau"})
    for attribute, member in (("value", "tv"), ("delta", "delta"), ("gamma", "gamma"), ("prices", "prices"), ("vols", "vols")):
        assert getattr(g, attribute).tolist() == cli[member], attribute
    cli = cli_json("scan", texts + ["--param", "1", "--from", "70", "--to", "85", "--step", "5", "--target", "99"])
    s = scan(contract, market, "ki", start=70, stop=85, step=5, target=99, method=mode)
    same(s, cli, {"target": "target", "capped": "capped", "param": "param"})
    assert s.values.tolist() == [p["value"] for p in cli["points"]] and s.prices.tolist() == [p["price"] for p in cli["points"]]
    assert tuple(s.nearest) == (cli["nearest"]["value"], cli["nearest"]["price"], cli["nearest"]["deviation"])


def test_monte_carlo_and_grids():
    contract, market, texts = CASES["step_down_ko"]
    mc = monte_carlo(contract, market, paths=3000, seed=11, threads=2)
    same(mc, cli_json("mc", texts + ["--reference", "--paths", "3000", "--seed", "11", "--threads", "2"]),
         {"price": "price", "standard_error": "standard_error", "seed": "seed", "threads": "threads", "paths": "paths"})
    same(monte_carlo(contract, market, paths=800, reference=False), cli_json("mc", texts + ["--paths", "800"]),
         {"price": "price", "paths": "paths"})
    grids = price(contract, market, M=30, N=40, smax=250, grids=True).grids
    cli = cli_json("grid", texts + ["--M", "30", "--N", "40", "--smax", "250"])
    assert exact([grids.to_dict()]) == exact([cli])
    assert grids.price.shape == grids.price_ki.shape == (31, 41) and grids.price.dtype == np.float64
    assert grids.price.tolist() == cli["Price"] and grids.price_ki.tolist() == cli["Price_KI"]
    assert grids.spots[-1] == pytest.approx(250) and grids.dS == cli["dS"] and grids.dt == cli["dt"]


def test_shapes_and_frames():
    contract, market, _ = CASES["default"]
    g = stress(contract, market, prices=(70, 130, 10), vols=(0.05, 0.3, 0.05))
    assert (g.value.shape, g.delta.shape, g.gamma.shape) == ((6, 7),) * 3
    assert all(a.dtype == np.float64 for a in (g.value, g.delta, g.gamma, g.prices, g.vols))
    s = scan(contract, market, "vol", start=0.1, stop=0.3, step=0.05, method="accurate")
    assert s.values.shape == s.prices.shape == s.error_estimates.shape == (5,)
    frame = probabilities(contract, market).to_frame()
    assert list(frame.columns) == ["time", "date", "knock_out"] and len(frame) == 10 and frame.index[0] == 1
    assert frame["date"].iloc[-1] == D(2025, 1, 15)


def test_schedule_and_calendar(tmp_path):
    cal = kelvara.Calendar.shipped()
    s = cal.schedule(D(2024, 1, 15), "20250115", "monthly", lock=3)
    cli = cli_json("schedule", ["--start", "20240115", "--expiry", "20250115", "--freq", "1M", "--lock", "3"])
    assert s.to_dict() == cli and "_".join(d.strftime("%Y%m%d") for d in s) == cli["dates"]
    assert (s.trading_days, len(s), s.start, s.expiry) == (cli["trading_days"], cli["count"], D(2024, 1, 15), D(2025, 1, 15))
    # A Snowball on the schedule prices as the dates and expiry typed.
    contract, market, texts = CASES["default"]
    assert price(contract.replace(dates=s), market).to_dict() == cli_json("price", texts + ["--dates", cli["dates"]])
    every_day = tmp_path / "every_day.csv"
    every_day.write_text("iDate\n" + "".join("%d\n" % (20240101 + i) for i in range(31)))
    weekly = kelvara.Calendar.from_file(every_day).schedule("20240102", "20240131", "周", lock=1)
    assert weekly.dates[0] == D(2024, 1, 9)  # a Tuesday: every day trades in this calendar
    # Priced on the calendar that made the schedule (the shipped one would roll 20240113, a Saturday).
    terms = ["--dates", "_".join(d.strftime("%Y%m%d") for d in weekly), "--calendar", str(every_day), "--today", "20240102"]
    assert price(kelvara.Snowball(dates=weekly), market.replace(today="20240102")).to_dict() == cli_json("price", terms)


def test_book_of_records_is_batch(book):
    pd = pytest.importorskip("pandas")
    good = pd.read_csv(book).iloc[[0, 2]]  # records 1 and 3 price; numbers read as numbers
    good.loc[:, "dBottom"] = float("nan")  # an empty field as pandas reads it: the batch's floor
    path = book.parent / "good.csv"
    good.to_csv(path, index=False)
    market = kelvara.Market(today=TODAY, rate=2)
    for mode, extra in MODES.items():
        status, out, err = run_cli(["batch", str(path), *DAY, "--rate", "2", "--greeks", "--jobs", "2", "--json", *extra])
        cli = [json.loads(line) for line in out.splitlines()]
        for given in (good, path):
            frame = price_book(given, market, method=mode, greeks=True, threads=2)
            assert frame.index.tolist() == [1, 2]
            for row, obj in zip(frame.itertuples(), cli):
                for member in ("price", "delta", "gamma", "theta", "vega", "rho", "NO", "EnquiryID"):
                    assert getattr(row, member) == obj[member], member


def test_book_of_contracts_in_threads():
    contracts = [c for c, m, _ in CASES.values() if m.spot == 100]
    market = kelvara.Market(today=TODAY)
    one = price_book(contracts, market, threads=1, greeks=True)
    two = price_book(contracts, market, threads=2, greeks=True)
    assert one.equals(two) and list(one.columns) == ["price", "delta", "gamma", "theta", "vega", "rho"]
    assert one["price"].tolist() == [price(c, market).price for c in contracts]
    accurate = price_book(contracts[:3], market, method="accurate", threads=2)
    assert accurate["error_estimate"].tolist() == [price(c, market, method="accurate").error_estimate for c in contracts[:3]]


REFUSED = {
    # (call, kelvara-cli's command line that refuses the same)
    "negative_spot": (lambda: price(kelvara.Snowball(), kelvara.Market(spot=-5, today=TODAY)), ["price", *DAY, "--spot", "-5"]),
    "unreachable_target": (lambda: solve(kelvara.Snowball(), kelvara.Market(today=TODAY), target=1000),
                           ["solve", *DAY, "--for", "vol", "--target", "1000"]),
    "few_steps": (lambda: price(kelvara.Snowball(), kelvara.Market(today=TODAY), N=3), ["price", *DAY, "--N", "3"]),
    "local_vol_design": (lambda: price(kelvara.Snowball(), kelvara.Market(today=TODAY, local_vol="lv.csv")),
                         ["price", *DAY, "--local-vol", "lv.csv"]),
    "lookup_off_grid": (lambda: price(kelvara.Snowball(), kelvara.Market(today=TODAY), lookups=[(500,)]),
                        ["price", *DAY, "--greeks", "--lookup-spot", "500"]),
}


@pytest.mark.parametrize("name", REFUSED, ids=REFUSED)
def test_refusals_carry_the_programs_reason(name):
    call, command_line = REFUSED[name]
    status, _, err = run_cli(command_line)
    with pytest.raises(ValueError) as refused:
        call()
    assert status != 0 and str(refused.value) == "\n".join(l[len("error: "):] for l in err.splitlines() if l.startswith("error: "))


@pytest.mark.parametrize("call", [
    lambda: kelvara.Snowball(kind="swap"),
    lambda: price(kelvara.Snowball(), method="fast"),
    lambda: price(kelvara.Snowball(), method="accurate", grids=True),
    lambda: scan(kelvara.Snowball(), term="spot"),
    lambda: monte_carlo(kelvara.Snowball(), reference=False, seed=3),
    lambda: price_book([kelvara.Snowball()], lookup_date="20240301"),
], ids=["kind", "method", "accurate_grids", "scan_term", "design_mc_seed", "contract_lookup_date"])
def test_the_layers_own_refusals(call):
    with pytest.raises(ValueError):
        call()


def test_warnings_name_the_callers_line():
    with pytest.warns(kelvara.KelvaraWarning) as caught:
        price(kelvara.Snowball(), kelvara.Market(today="20341201"))  # an estimated calendar year
    assert [w.filename for w in caught] == [__file__]
