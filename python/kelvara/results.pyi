import datetime
from typing import Any, Dict, NamedTuple, Optional, Tuple

import numpy as np
import numpy.typing as npt

_Array = npt.NDArray[np.float64]

class Outcome(NamedTuple):
    calendar_estimated: Optional[bool]
    smax_reach_chance: Optional[float]
    smax_low: Optional[bool]

class RawGreeks(NamedTuple):
    delta: float
    gamma: float
    theta: float
    vega: float
    rho: float

class _Answer:
    def to_dict(self) -> Dict[str, Any]: ...
    @property
    def outcome(self) -> Outcome: ...

class Greeks(_Answer):
    spot: float
    date: Optional[datetime.date]
    tau: float
    knocked_in: bool
    price: float
    error_estimate: Optional[float]
    delta: float
    gamma: float
    theta: float
    vega: float
    rho: float
    year_days: int
    @property
    def raw(self) -> RawGreeks: ...

class Grids:
    dS: float
    dt: float
    price: _Array
    price_ki: _Array
    spots: _Array
    def to_dict(self) -> Dict[str, Any]: ...

class Valuation(_Answer):
    method: str
    price: float
    error_estimate: Optional[float]
    greeks: Optional[Greeks]
    lookups: Tuple[Greeks, ...]
    grids: Optional[Grids]
    structure: Dict[str, Any]
    def __float__(self) -> float: ...

class Probabilities(_Answer):
    times: _Array
    dates: Tuple[Optional[datetime.date], ...]
    knock_out: _Array
    maturity: float
    knock_in: float
    loss: float
    expected_life: float
    note: Optional[str]
    method: str
    def summary(self) -> Dict[str, float]: ...
    def to_frame(self) -> Any: ...  # pandas.DataFrame

class Solution(_Answer):
    term: str
    value: float
    target: float
    lo: float
    hi: float
    def __float__(self) -> float: ...

class StressGrid(_Answer):
    prices: _Array
    vols: _Array
    days: int
    tau: float
    value: _Array
    delta: _Array
    gamma: _Array

class Scan(_Answer):
    class NearestPoint(NamedTuple):
        value: float
        price: float
        deviation: float
    param: int
    target: float
    capped: bool
    values: _Array
    prices: _Array
    error_estimates: Optional[_Array]
    nearest: NearestPoint

class MonteCarlo(_Answer):
    method: str
    price: float
    standard_error: Optional[float]
    paths: Optional[int]
    seed: Optional[int]
    threads: Optional[int]
    def __float__(self) -> float: ...
