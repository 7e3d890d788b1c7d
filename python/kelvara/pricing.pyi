import datetime
from typing import Dict, Iterable, Literal, NamedTuple, Optional, Tuple, Union

from .results import MonteCarlo, Probabilities, Scan, Solution, StressGrid, Valuation
from .terms import Market, Snowball

_Method = Literal["design", "accurate"]
SCAN_TERMS: Dict[str, int]

class Lookup(NamedTuple):
    spot: Optional[float] = ...
    date: Optional[Union[datetime.date, str]] = ...
    knocked_in: bool = ...

def price(contract: Snowball, market: Optional[Market] = ..., *, method: _Method = ..., M: Optional[int] = ...,
          N: Optional[int] = ..., smax: Optional[float] = ..., greeks: bool = ...,
          lookups: Iterable[Union[Lookup, tuple, dict]] = ..., grids: bool = ...) -> Valuation: ...
def probabilities(contract: Snowball, market: Optional[Market] = ..., *, method: _Method = ...,
                  M: Optional[int] = ..., N: Optional[int] = ..., smax: Optional[float] = ...) -> Probabilities: ...
def solve(contract: Snowball, market: Optional[Market] = ..., term: Literal["vol", "coupon"] = ..., *,
          target: Optional[float] = ..., lo: Optional[float] = ..., hi: Optional[float] = ..., method: _Method = ...,
          M: Optional[int] = ..., N: Optional[int] = ..., smax: Optional[float] = ...) -> Solution: ...
def stress(contract: Snowball, market: Optional[Market] = ..., *, prices: Tuple[float, float, float] = ...,
           vols: Tuple[float, float, float] = ..., days: int = ..., method: _Method = ..., M: Optional[int] = ...,
           N: Optional[int] = ..., smax: Optional[float] = ...) -> StressGrid: ...
def scan(contract: Snowball, market: Optional[Market] = ..., term: Union[str, int] = ..., *,
         start: Optional[float] = ..., stop: Optional[float] = ..., step: Optional[float] = ...,
         target: Optional[float] = ..., method: _Method = ..., M: Optional[int] = ..., N: Optional[int] = ...,
         smax: Optional[float] = ...) -> Scan: ...
def monte_carlo(contract: Snowball, market: Optional[Market] = ..., *, paths: int = ..., seed: int = ...,
                threads: Optional[int] = ..., reference: bool = ..., steps_per_year: Optional[int] = ...) -> MonteCarlo: ...
