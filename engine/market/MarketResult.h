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

    bool ok() const { return value.has_value(); }
    static MarketResult refused(std::string why)
    {
        MarketResult r;
        r.error = std::move(why);
        return r;
    }
    static MarketResult of(T v)
    {
        MarketResult r;
        r.value.emplace(std::move(v));
        return r;
    }
};
