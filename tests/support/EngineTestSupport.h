#pragma once

// What the engine tests share: the usual headers, small term helpers and a
// recorder of the engine's log.

#include "ClassicSnowball.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

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
    const std::size_t n = e.contract.obs_times.size();
    e.contract.ko_barrier.assign(n, ko);
    e.contract.ko_coupon.assign(n, coupon);
    e.contract.ki_barrier.assign(n, ki);
}

