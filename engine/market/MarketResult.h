#pragma once

#include <optional>
#include <string>
#include <utility>

// A market input built from numbers that may be wrong: the value, or why
// there is none (naming the point at fault). The engine raises nothing.
template <class T>
struct MarketResult
{
    std::optional<T> value;
    std::string error;  // empty when ok()
    int point = -1;     // index (from 0) of the point at fault, -1 when none

    bool ok() const { return value.has_value(); }
    static MarketResult refused(std::string why, int at = -1)
    {
        MarketResult r;
        r.error = std::move(why);
        r.point = at;
        return r;
    }
    static MarketResult of(T v)
    {
        MarketResult r;
        r.value.emplace(std::move(v));
        return r;
    }
};
