#pragma once

#include <cstdint>
#include <random>

// The Monte Carlo random stream: MT19937 with its default seed 5489, uniforms
// on [0, 1) from two generator outputs, standard normals by the polar method
// (the second variate of each pair is kept for the next call).
class RandomStream
{
public:
    RandomStream() = default;

    // (x1 + x2 * 2^32) / 2^64 from two successive outputs.
    double uniform()
    {
        const double x1 = static_cast<double>(engine_());
        const double x2 = static_cast<double>(engine_());
        return (x1 + x2 * 4294967296.0) * (1.0 / 18446744073709551616.0);
    }

    double normal();

    // The process-wide stream: created at first use, never reseeded.
    static RandomStream& process();

private:
    std::mt19937 engine_;  // default seed 5489
    bool has_spare_ = false;
    double spare_ = 0.0;
};
