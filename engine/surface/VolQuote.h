#pragma once

#include <string>
#include <vector>

// One listed option's implied volatility: Black's volatility of a European
// option on the forward to its expiry.
struct VolQuote
{
    double expiry = 0.0;  // years on the engine's clock
    double strike = 0.0;  // absolute price units
    double vol = 0.0;     // decimal (0.2 = 20 %)
    std::string source;   // where it came from, for messages ("line 12")
};

// The quotes of one expiry, by increasing strike.
struct ExpiryQuotes
{
    double expiry = 0.0;
    std::vector<VolQuote> quotes;
};

// Every reason to refuse the quotes, one message each, naming the quotes'
// sources: an expiry or strike that is not a positive number, a volatility
// not in (0, 500] %, a repeated (expiry, strike), an expiry with fewer than
// 5 strikes. Empty when they can be fitted.
std::vector<std::string> quote_refusals(const std::vector<VolQuote>& quotes);

// The quotes grouped by expiry (increasing), each group by strike.
std::vector<ExpiryQuotes> group_by_expiry(const std::vector<VolQuote>& quotes);
