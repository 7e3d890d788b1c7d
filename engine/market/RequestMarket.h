#pragma once

#include "MarketModel.h"
#include "PricingRequest.h"
#include "Refusal.h"

#include <optional>

// The market a request is priced in: its market model at the request's spot
// (the curves, the futures' dividend curve and an absolute local volatility
// staying where they are: sticky strike) with its volatility input shifted
// by request.volatility_shift. None without a market; refused (MarketShift)
// when the shift takes a volatility out of range.
struct RequestMarket
{
    std::optional<MarketModel> market;
    Refusal refusal;
};

RequestMarket request_market(const PricingRequest& request);
