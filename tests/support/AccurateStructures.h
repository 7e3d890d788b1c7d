#pragma once

// Structures the accurate pricer is held to (tests and benchmarks): the
// window's default, the one-year note with a Monte Carlo checked value, and
// variants that stress each part of the method.

#include "AccuratePricer.h"

#include <string>
#include <vector>

struct AccurateCase
{
    std::string name;
    SnowballContract contract;
    PDEParams model;
    int year_days = 243;
    bool knocked_in = false;  // value of the knocked-in structure
    double spot = 0.0;        // where it is valued; 0: the model's S0

    double at() const { return spot > 0.0 ? spot : model.S0; }
};

// Monthly observations from firstMonth to the last month, flat terms.
inline SnowballContract monthlySnowball(int firstMonth, int lastMonth, double ko, double coupon, double ki)
{
    SnowballContract c;
    for (int month = firstMonth; month <= lastMonth; ++month)
        c.obs_times.push_back(month / 12.0);
    const std::size_t n = c.obs_times.size();
    c.ko_barrier.assign(n, ko);
    c.ko_coupon.assign(n, coupon);
    c.ki_barrier.assign(n, ki);
    c.div_coupon = coupon;
    return c;
}

inline PDEParams accurateModel(double sigma, double r, double q, double T, double S0 = 100.0)
{
    PDEParams p;
    p.S0 = S0;
    p.S_max = 2.0 * S0;
    p.sigma = sigma;
    p.r = r;
    p.q = q;
    p.T = T;
    return p;
}

// The one-year note observed every month: KO 103, KI 80, 16% coupons, vol
// 18%, r 1.5%, 243 trading days a year.
inline AccurateCase monthlyNoteCase()
{
    return {"note_12_monthly", monthlySnowball(1, 12, 103.0, 0.16, 80.0), accurateModel(0.18, 0.015, 0.0, 1.0)};
}

// The window's default: the same note observed from month 3 (lock 3).
inline AccurateCase defaultCase()
{
    return {"default_lock3", monthlySnowball(3, 12, 103.0, 0.16, 80.0), accurateModel(0.18, 0.015, 0.0, 1.0)};
}

inline std::vector<AccurateCase> accurateCases()
{
    std::vector<AccurateCase> cases{monthlyNoteCase(), defaultCase()};

    AccurateCase option = monthlyNoteCase();
    option.name = "option_form";
    option.contract.form = PayoffForm::Option;
    cases.push_back(option);

    // Two years, knock-out stepping down 0.5 a month from 103, floor 70.
    AccurateCase stepdown{"stepdown_2y_floor", monthlySnowball(3, 24, 103.0, 0.12, 75.0),
                          accurateModel(0.2, 0.02, 0.0, 2.0)};
    for (std::size_t k = 0; k < stepdown.contract.ko_barrier.size(); ++k)
        stepdown.contract.ko_barrier[k] = 103.0 - 0.5 * static_cast<double>(k);
    stepdown.contract.floor_price = 70.0;
    cases.push_back(stepdown);

    AccurateCase participating = monthlyNoteCase();
    participating.name = "participation";
    participating.contract.call_strike = 100.0;
    participating.contract.call_participation = 0.8;
    participating.contract.ko_coupon.assign(12, 0.05);
    cases.push_back(participating);

    // The note after the market fell to 82, 2.5% above its knock-in barrier.
    AccurateCase near_ki = monthlyNoteCase();
    near_ki.name = "spot_near_ki";
    near_ki.spot = 82.0;
    cases.push_back(near_ki);

    AccurateCase near_ko{"spot_below_ko", monthlySnowball(1, 12, 100.5, 0.16, 80.0),
                         accurateModel(0.18, 0.015, 0.0, 1.0)};
    cases.push_back(near_ko);

    AccurateCase knocked = monthlyNoteCase();
    knocked.name = "knocked_in";
    knocked.knocked_in = true;
    cases.push_back(knocked);

    AccurateCase high_vol{"vol40_2y", monthlySnowball(3, 24, 103.0, 0.25, 75.0), accurateModel(0.4, 0.015, 0.0, 2.0)};
    cases.push_back(high_vol);

    // Dividend yield and falling knock-in barriers (double-down) in option form.
    AccurateCase dividend{"yield_doubledown_option", monthlySnowball(1, 12, 103.0, 0.2, 80.0),
                          accurateModel(0.25, 0.02, 0.03, 1.0)};
    for (std::size_t k = 6; k < 12; ++k)
        dividend.contract.ki_barrier[k] = 70.0, dividend.contract.ko_coupon[k] = 0.15;
    dividend.contract.div_coupon = 0.1;
    dividend.contract.form = PayoffForm::Option;
    cases.push_back(dividend);
    return cases;
}
