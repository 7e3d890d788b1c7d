#include "RequestMarket.h"

RequestMarket request_market(const PricingRequest& request)
{
    RequestMarket out;
    if (!request.market)
        return out;
    MarketModel at_spot = request.market->with_spot(request.model.S0);
    if (request.volatility_shift == 0.0) {
        out.market = std::move(at_spot);
        return out;
    }
    MarketResult<MarketModel> shifted = at_spot.with_volatility_shift(request.volatility_shift);
    if (!shifted.ok()) {
        out.refusal = Refusal{RefusalCode::MarketShift,
                              "a volatility shift of " + std::to_string(request.volatility_shift) + ": " + shifted.error,
                              0, 0};
        return out;
    }
    out.market = std::move(*shifted.value);
    return out;
}
