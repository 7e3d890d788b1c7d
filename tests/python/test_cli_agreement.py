"""Each command through the module gives kelvara-cli's --json to the last bit,
the same error lines and status, and the same warnings."""

import math

import pytest

from conftest import assert_agrees

DAY = {"today": "20240115"}
DATES = "20240415_20240715_20241015_20250115"

# The window's terms in the command line's texts, a few dozen ways.
STRUCTURES = {
    "default": {},
    "option": {"type": "option"},
    "floor": {"floor": "80"},
    "participation": {"strike": "100", "participation": "0.8"},
    "step_down_ko": {"ko": "103_102.5_102_101.5_101_100.5_100_99.5_99_98.5"},
    "step_down_ki": {"ki": "80_78_76_74_72_70_68_66_64_62"},
    "coupon_list": {"coupon": "10_11_12_13_14_15_16_17_18_19"},
    "high_vol_long": {"vol": "40", "expiry": "20260115"},
    "spot_82": {"spot": "82"},
    "spot_near_ko": {"spot": "102.9"},
    "rates": {"q": "3", "rate": "2"},
    "zero_rate": {"vol": "12.5", "rate": "0"},
    "negative_rate": {"rate": "-0.5"},
    "timed_option": {"obs_times": "0.25,0.5,0.75,1", "ko": "103_102_101_100", "type": "option"},
    "timed_T": {"obs_times": "0.5,1", "T": "1.5"},
    "dates": {"dates": DATES},
    "dates_expiry": {"dates": "20240415_20240515", "expiry": "20240515"},
    "weekly": {"freq": "周", "lock": "4", "expiry": "20240715"},
    "biweekly": {"freq": "双周", "expiry": "20241015"},
    "monthly_lock6": {"freq": "1M", "lock": "6"},
    "low_ki": {"ki": "70", "coupon": "20", "div_coupon": "10"},
    "grid": {"smax": "300", "M": "300", "N": "150"},
    "year_days": {"year_days": "252"},
    "start": {"start": "20240301", "expiry": "20250303"},
    "option_low_ko": {"ko": "100", "ki": "75", "type": "option"},
    "option_participation": {"type": "option", "strike": "105", "participation": "1.5"},
    "option_floor": {"type": "option", "floor": "70"},
    "spot_150": {"spot": "150", "ko": "155", "ki": "120", "smax": "300"},
    "estimated_year": {"today": "20341201"},
    "ceiling_low": {"vol": "45", "expiry": "20270115", "smax": "150"},
}


@pytest.mark.parametrize("mode", [{}, {"accurate": True}], ids=["design", "accurate"])
@pytest.mark.parametrize("structure", STRUCTURES.values(), ids=STRUCTURES.keys())
def test_price_and_profile(structure, mode):
    for command in ("price", "profile"):
        assert_agrees(command, {**DAY, **structure, **mode})


@pytest.mark.parametrize("structure", ["default", "option", "step_down_ko", "timed_option", "dates", "spot_150"])
@pytest.mark.parametrize("mode", [{}, {"accurate": True}], ids=["design", "accurate"])
def test_greeks(structure, mode):
    texts = {**DAY, **STRUCTURES[structure], **mode, "greeks": True}
    assert_agrees("price", texts)
    assert_agrees("price", {**texts, "lookup_spot": "95", "knocked_in": True})


COMMANDS = {
    "solve_vol": ("solve", {"for_": "vol", "target": "100", "lo": "0.05", "hi": "0.5"}),
    "solve_coupon": ("solve", {"for_": "coupon", "target": "100", "lo": "0.01", "hi": "0.4"}),
    "solve_accurate": ("solve", {"for_": "vol", "target": "100", "lo": "0.05", "hi": "0.5", "accurate": True}),
    "scan_ko": ("scan", {"param": "0"}),
    "scan_vol": ("scan", {"param": "3", "from_": "0.1", "to": "0.4", "step": "0.05", "target": "100"}),
    "scan_accurate": ("scan", {"param": "2", "accurate": True}),
    "stress": ("stress", {"prices": "80:120:20", "vols": "0.1:0.3:0.1", "days": "50"}),
    "stress_accurate": ("stress", {"prices": "90:110:10", "vols": "0.15:0.25:0.1", "accurate": True}),
    "mc": ("mc", {"paths": "2000", "steps_per_year": "50"}),
    "mc_reference": ("mc", {"reference": True, "paths": "2000", "seed": "7", "threads": "2"}),
    "schedule": ("schedule", {"start": "20240115", "expiry": "20250115", "freq": "月", "lock": "3"}),
    "schedule_weekly": ("schedule", {"start": "20240301", "expiry": "20240601", "freq": "1W", "lock": "2"}),
    "schedule_merged": ("schedule", {"start": "20240115", "expiry": "20240401", "freq": "周", "lock": "1"}),
    "grid": ("grid", {"M": "20", "N": "10"}),
}


@pytest.mark.parametrize("command,texts", COMMANDS.values(), ids=COMMANDS.keys())
def test_commands(command, texts):
    assert_agrees(command, {**DAY, **texts})


def test_mc_twice_gives_the_programs_number():
    # Each run starts the design Monte Carlo's stream afresh, as a new process does.
    for _ in range(2):
        assert_agrees("mc", {**DAY, "paths": "500"})


@pytest.mark.parametrize("texts", [{"jobs": "2"}, {"jobs": "1", "greeks": True, "lookup_date": "20240301"},
                                   {"accurate": True, "rate": "2"}])
def test_batch(book, texts):
    result, error = assert_agrees("batch", {**DAY, **texts}, {**DAY, **texts, "file": book}, [str(book)])
    assert [e.split(":")[0] for e in error.errors] == ["record 2 (line 3)", "record 4 (line 5)", "2 of 4 records failed"]
    assert error.status == 1 and [r["record"] for r in result.to_list()] == [1, 3]


@pytest.fixture
def market(tmp_path):
    """Market files: a one-point rate curve, a local volatility grid, and
    implied volatility quotes with a mild skew (free of arbitrage)."""
    rates, grid, quotes = tmp_path / "rates.csv", tmp_path / "lv.csv", tmp_path / "quotes.csv"
    rates.write_text("point,rate_pct\n0.5,2\n")
    grid.write_text("point,80,100,120\n0.5,32,25,21\n1.0,30,24,20\n")
    lines = ["%s,%d,%r" % (T, K, 100 * (0.22 - 0.1 * math.log(K / 100) + 0.15 * math.log(K / 100) ** 2))
             for T in ("0.25", "0.5", "1.0", "1.5") for K in range(70, 135, 5)]
    quotes.write_text("expiry,strike,vol_pct\n" + "\n".join(lines) + "\n")
    (tmp_path / "q.csv").write_text("point,rate_pct\n0.5,1\n1.0,1.5\n")
    (tmp_path / "vols.csv").write_text("point,vol_pct\n0.5,20\n1.0,22\n")
    (tmp_path / "futures.csv").write_text("point,price\n0.5,99.5\n1.0,99\n")
    return {"rate_curve": str(rates), "local_vol": str(grid), "vol_surface": str(quotes),
            "dividend_curve": str(tmp_path / "q.csv"), "vol_curve": str(tmp_path / "vols.csv"),
            "futures": str(tmp_path / "futures.csv")}


def test_market_files(market):
    assert_agrees("surface", {"vol_surface": market["vol_surface"], "spot": "100"}, timings=["fit_ms"])
    for files in ({"local_vol": market["local_vol"]}, {"rate_curve": market["rate_curve"], "vol_surface": market["vol_surface"]}):
        assert_agrees("price", {**DAY, "accurate": True, **files})
    assert_agrees("price", {**DAY, "local_vol": market["local_vol"]})  # refused: needs --accurate
    curves = {k: market[k] for k in ("rate_curve", "dividend_curve", "vol_curve")}
    assert_agrees("price", {**DAY, "accurate": True, "greeks": True, **curves})
    assert_agrees("profile", {**DAY, "accurate": True, "futures": market["futures"], "local_vol": market["local_vol"]})
    assert_agrees("solve", {**DAY, "accurate": True, "for_": "vol", "target": "100", **curves})
    assert_agrees("mc", {**DAY, "reference": True, "paths": "2000", "threads": "2", "local_vol": market["local_vol"]})


def test_surface_writes_the_programs_local_volatility(market, tmp_path):
    by_module, by_program = tmp_path / "module.csv", tmp_path / "program.csv"
    texts = {"vol_surface": market["vol_surface"], "spot": "100"}
    assert_agrees("surface", {**texts, "local_vol_out": str(by_program)}, {**texts, "local_vol_out": by_module},
                  timings=["fit_ms"])
    assert by_module.read_bytes() == by_program.read_bytes() and by_module.stat().st_size > 100


REFUSALS = {
    "not_a_number": ("price", {"spot": "abc"}),
    "unknown_frequency": ("price", {"freq": "年"}),
    "repeated_date": ("price", {"dates": "20240415_20240415"}),
    "lookup_off_grid": ("price", {"greeks": True, "lookup_spot": "500"}),
    "negative_vol": ("price", {"vol": "-5"}),
    "tiny_grid": ("price", {"M": "2"}),
    "out_of_reach": ("solve", {"for_": "vol", "target": "1000", "lo": "0.05", "hi": "0.5"}),
    "no_calendar": ("price", {"calendar": "no_such_calendar.csv"}),
    "seed_without_reference": ("mc", {"seed": "3"}),
    "bad_range": ("stress", {"prices": "70:130"}),
    "scan_unpriced": ("scan", {"accurate": True, "from_": "0", "to": "0", "step": "0.05"}),
}


@pytest.mark.parametrize("command,texts", REFUSALS.values(), ids=REFUSALS.keys())
def test_refusals(command, texts):
    result, error = assert_agrees(command, {**DAY, **texts})
    assert isinstance(error, ValueError) and str(error) == "\n".join(error.errors) and result is None


def test_missing_book():
    result, error = assert_agrees("batch", DAY, {**DAY, "file": "no_such_book.csv"}, ["no_such_book.csv"])
    assert isinstance(error, ValueError) and str(error) == "\n".join(error.errors) and result is None
