import datetime
import os
from typing import Any, Literal, Mapping, Optional, Sequence, Union

from .terms import Market, Snowball

def price_book(book: Union[Sequence[Snowball], Sequence[Mapping[str, Any]], Any, str, os.PathLike],
               market: Optional[Market] = ..., *, method: Literal["design", "accurate"] = ...,
               threads: Optional[int] = ..., greeks: bool = ...,
               lookup_date: Optional[Union[datetime.date, str]] = ..., knocked_in: bool = ...) -> Any: ...  # pandas.DataFrame
