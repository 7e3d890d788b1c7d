#include "AppLogger.h"
#include "Snowball_PDE.h"

#include <cstdio>
#include <vector>

// Until the calculator window exists: price the window's default structure
// (a one-year note observed monthly after a three-month lock).
int main()
{
    AppLogger::instance().init("log/Kelvara");

    std::vector<double> obs_times;
    for (int month = 3; month <= 12; ++month)
        obs_times.push_back(month / 12.0);
    const std::vector<double> ko(obs_times.size(), 103.0);
    const std::vector<double> coupon(obs_times.size(), 0.16);
    const std::vector<double> ki(obs_times.size(), 80.0);

    PDEParams params;
    params.S0 = 100.0;
    params.S_max = 200.0;
    params.sigma = 0.18;
    params.r = 0.015;
    params.q = 0.0;
    params.T = 1.0;
    params.M = 200;
    params.N = 243;

    Snowball_PDE engine;
    engine.set_structure(obs_times, ko, coupon, ki, 0.16, 0.0, 0.0, 0.0, 0.0, params);
    const double value = engine.price();
    std::printf("Kelvara: default snowball note (ko 103, coupon 16%%, ki 80, 1 year): %.4f\n", value);
    return value == value ? 0 : 1;
}
