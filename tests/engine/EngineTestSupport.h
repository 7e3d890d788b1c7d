#pragma once

// What the engine tests share: the usual headers, small term helpers and a
// recorder of the engine's log.

#include "AppLogger.h"
#include "ClassicSnowball.h"

#include <gtest/gtest.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/ringbuffer_sink.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <tuple>
#include <unistd.h>

// Flat knock-out, coupon and knock-in terms over the engine's schedule.
inline void setFlat(Snowball_PDE& e, double ko, double coupon, double ki)
{
    const std::size_t n = e.obs_times.size();
    e.ko_barrier.assign(n, ko);
    e.ko_coupon.assign(n, coupon);
    e.ki_barrier.assign(n, ki);
}

// The price of a copy with one term changed (set_param numbering).
inline double priceWith(const Snowball_PDE& e, int index, double value)
{
    Snowball_PDE copy(e);
    copy.set_param(index, value);
    return copy.price();
}

// Records what the engine logs from its construction on: AppLogger is
// initialised once per test program (its file under a temporary folder) and
// each capture replaces the previous one's recording sink.
class LogCapture
{
public:
    LogCapture()
    {
        static const bool initialised = (AppLogger::instance().init(
            (testing::TempDir() + "kelvara_engine_log_" + std::to_string(::getpid()) + "/Kelvara").c_str()), true);
        (void)initialised;
        auto& sinks = AppLogger::instance().logger()->sinks();
        sinks.erase(std::remove(sinks.begin(), sinks.end(), sink()), sinks.end());
        sink() = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(1000);
        sinks.push_back(sink());
    }

    // Records of one level since then, whose text is exactly `text` when one is given.
    int count(int level, const std::string& text = std::string()) const
    {
        int n = 0;
        for (const auto& m : sink()->last_raw())
            n += static_cast<int>(m.level) == level &&
                 (text.empty() || text == std::string(m.payload.data(), m.payload.size()));
        return n;
    }

private:
    static std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt>& sink()
    {
        static std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> installed;
        return installed;
    }
};
