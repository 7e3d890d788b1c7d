#include "VolQuote.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace {

const std::size_t kMinStrikes = 5;
const double kMaxVol = 5.0;  // 500 %

std::string number(double v)
{
    std::ostringstream out;
    out << v;
    return out.str();
}

}  // namespace

std::vector<ExpiryQuotes> group_by_expiry(const std::vector<VolQuote>& quotes)
{
    std::map<double, std::vector<VolQuote>> by_expiry;
    for (const VolQuote& q : quotes)
        by_expiry[q.expiry].push_back(q);
    std::vector<ExpiryQuotes> out;
    for (auto& e : by_expiry) {
        std::stable_sort(e.second.begin(), e.second.end(),
                         [](const VolQuote& a, const VolQuote& b) { return a.strike < b.strike; });
        out.push_back({e.first, e.second});
    }
    return out;
}

std::vector<std::string> quote_refusals(const std::vector<VolQuote>& quotes)
{
    std::vector<std::string> out;
    std::vector<VolQuote> valid;
    for (const VolQuote& q : quotes) {
        if (!(std::isfinite(q.expiry) && q.expiry > 0.0))
            out.push_back(q.source + ": the expiry must be a positive number of years");
        else if (!(std::isfinite(q.strike) && q.strike > 0.0))
            out.push_back(q.source + ": the strike must be a positive number");
        else if (!(std::isfinite(q.vol) && q.vol > 0.0 && q.vol <= kMaxVol))
            out.push_back(q.source + ": volatility " + number(q.vol * 100.0) + " % is not in (0, 500] %");
        else
            valid.push_back(q);
    }
    if (quotes.empty())
        out.push_back("no volatility quotes");
    for (const ExpiryQuotes& e : group_by_expiry(valid)) {
        std::size_t strikes = 0;
        for (std::size_t j = 0; j < e.quotes.size(); ++j) {
            if (j > 0 && e.quotes[j].strike == e.quotes[j - 1].strike)
                out.push_back(e.quotes[j].source + ": expiry " + number(e.expiry) + " and strike " +
                              number(e.quotes[j].strike) + " are quoted already (" + e.quotes[j - 1].source + ")");
            else
                ++strikes;
        }
        if (strikes < kMinStrikes) {
            std::string where;
            for (const VolQuote& q : e.quotes)
                where += (where.empty() ? "" : ", ") + q.source;
            out.push_back("expiry " + number(e.expiry) + " (" + where + "): " + std::to_string(strikes) +
                          " strikes, at least " + std::to_string(kMinStrikes) + " needed");
        }
    }
    return out;
}
