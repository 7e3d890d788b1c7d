#include "MonitoringSchedule.h"

#include <algorithm>
#include <cmath>

bool build_monitoring_schedule(const SnowballContract& contract, double T, int year_days,
                               std::vector<MonitoringEvent>& events, std::string& error)
{
    return build_monitoring_schedule(contract, T, year_days, 0.0, events, error);
}

bool build_monitoring_schedule(const SnowballContract& contract, double T, int year_days, double start,
                               std::vector<MonitoringEvent>& events, std::string& error)
{
    events.clear();
    const std::vector<double>& obs = contract.obs_times;
    if (obs.empty()) {
        error = "no knock-out observation dates";
        return false;
    }
    if (!(T > 0.0) || !std::isfinite(T) || year_days < 1 || T * year_days > 1e6) {
        error = "maturity and trading days per year must be positive (and fewer than a million days)";
        return false;
    }
    for (std::size_t k = 0; k < obs.size(); ++k) {
        if (!(obs[k] >= 0.0 && obs[k] <= T) || (k > 0 && !(obs[k] > obs[k - 1]))) {
            error = "observation times must rise strictly and lie between today and maturity";
            return false;
        }
    }
    // Times that come from trading-day counts meet the daily closes up to
    // rounding; they are one moment.
    const double same = 1e-9 * std::max(1.0, T);
    const std::size_t last = obs.size() - 1;
    auto period_of = [&](double t) {
        int period = 0;
        for (std::size_t k = 0; k < last; ++k)
            if (obs[k] <= t + same)
                period = static_cast<int>(k) + 1;
        return period;
    };

    if (!(start >= 0.0 && start < T - same)) {
        error = "the valuation time must lie between inception and maturity";
        return false;
    }

    // Observations before the valuation time are past: the structure is
    // valued as not having knocked out on them.
    std::size_t next_obs = 0;
    while (next_obs < last && obs[next_obs] < start - same)
        ++next_obs;
    const long first_day = static_cast<long>(std::ceil((start - same) * year_days));
    if (static_cast<double>(first_day) / year_days > start + same) {
        MonitoringEvent e;
        e.t = start;
        if (next_obs < last && std::fabs(obs[next_obs] - start) <= same)
            e.ko_obs = static_cast<int>(next_obs++);
        events.push_back(e);
    }
    for (long day = std::max(0L, first_day);; ++day) {
        const double t = static_cast<double>(day) / year_days;
        if (t >= T - same)
            break;
        // Observations strictly between the previous close and this one.
        for (; next_obs < last && obs[next_obs] < t - same; ++next_obs) {
            MonitoringEvent e;
            e.t = obs[next_obs];
            e.ko_obs = static_cast<int>(next_obs);
            events.push_back(e);
        }
        MonitoringEvent e;
        e.t = t;
        e.ki_period = period_of(t);
        if (next_obs < last && std::fabs(obs[next_obs] - t) <= same)
            e.ko_obs = static_cast<int>(next_obs++);
        events.push_back(e);
    }
    for (; next_obs < last; ++next_obs) {
        MonitoringEvent e;
        e.t = obs[next_obs];
        e.ko_obs = static_cast<int>(next_obs);
        events.push_back(e);
    }
    MonitoringEvent end;
    end.t = T;
    end.ki_period = static_cast<int>(last);
    end.ko_obs = static_cast<int>(last);
    end.maturity = true;
    events.push_back(end);
    return true;
}
