#pragma once

// The structures the probability profile is checked on against the
// reference Monte Carlo: the window's default, a two-year step-down note
// with a floor, and the default with the spot just above the knock-in
// barrier.
#include "ClassicSnowball.h"
#include "SnowballContract.h"

#include <string>
#include <vector>

struct ProfileCase
{
    std::string name;
    SnowballContract contract;
    PDEParams model;  // M, N: the window's grid (one column per trading day)
};

inline std::vector<ProfileCase> profile_cases()
{
    std::vector<ProfileCase> cases;
    const Snowball_PDE classic = classicSnowball(200, 243, 3);
    cases.push_back({"default (1y, KO 103 monthly from m3, KI 80)", classic.contract, classic.params});

    ProfileCase step{"2y step-down KO 103 -0.5/month, KI 75, floor 80", classic.contract, classic.params};
    SnowballContract& c = step.contract;
    c.obs_times.clear(), c.ko_barrier.clear(), c.ko_coupon.clear(), c.ki_barrier.clear();
    for (int month = 3; month <= 24; ++month) {
        c.obs_times.push_back(month / 12.0);
        c.ko_barrier.push_back(103.0 - 0.5 * (month - 3));
        c.ko_coupon.push_back(0.15);
        c.ki_barrier.push_back(75.0);
    }
    c.div_coupon = 0.15;
    c.floor_price = 80.0;
    step.model.T = 2.0;
    step.model.N = 486;
    cases.push_back(step);

    ProfileCase near{"default, spot 82 (KI 80)", classic.contract, classic.params};
    near.model.S0 = 82.0;
    cases.push_back(near);
    return cases;
}
