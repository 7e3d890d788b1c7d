#include "RandomStream.h"

#include <cmath>

RandomStream::RandomStream() : RandomStream(5489u) {}  // std::mt19937::default_seed

RandomStream::RandomStream(std::uint32_t seed)
{
    state_[0] = seed;
    for (std::uint32_t i = 1; i < kStateSize; ++i)
        state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + i;
}

void RandomStream::refill()
{
    const std::uint32_t upper = 0x80000000u;
    const std::uint32_t lower = 0x7fffffffu;
    const std::uint32_t matrix = 0x9908b0dfu;
    const int shift = 397;
    std::uint32_t* mt = state_;
    int i = 0;
    for (; i < kStateSize - shift; ++i) {
        const std::uint32_t y = (mt[i] & upper) | (mt[i + 1] & lower);
        mt[i] = mt[i + shift] ^ (y >> 1) ^ ((y & 1u) ? matrix : 0u);
    }
    for (; i < kStateSize - 1; ++i) {
        const std::uint32_t y = (mt[i] & upper) | (mt[i + 1] & lower);
        mt[i] = mt[i + shift - kStateSize] ^ (y >> 1) ^ ((y & 1u) ? matrix : 0u);
    }
    const std::uint32_t y = (mt[kStateSize - 1] & upper) | (mt[0] & lower);
    mt[kStateSize - 1] = mt[shift - 1] ^ (y >> 1) ^ ((y & 1u) ? matrix : 0u);

    std::uint32_t out[kStateSize];
    for (int k = 0; k < kStateSize; ++k) {
        std::uint32_t z = mt[k];
        z ^= z >> 11;
        z ^= (z << 7) & 0x9d2c5680u;
        z ^= (z << 15) & 0xefc60000u;
        z ^= z >> 18;
        out[k] = z;
    }
    for (int k = 0; k < kUniformsPerBlock; ++k) {
        const double x1 = out[2 * k];
        const double x2 = out[2 * k + 1];
        uniforms_[k] = (x1 + x2 * 4294967296.0) * (1.0 / 18446744073709551616.0);
    }
    next_ = 0;
}

inline double RandomStream::polar_point(double& u1, double& u2)
{
    double s;
    do {
        u1 = 2.0 * uniform() - 1.0;
        u2 = 2.0 * uniform() - 1.0;
        s = u1 * u1 + u2 * u2;
    } while (s >= 1.0 || s == 0.0);  // s == 0 would give 0 * inf
    return s;
}

double RandomStream::normal()
{
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    double u1, u2;
    const double s = polar_point(u1, u2);
    const double m = std::sqrt(-2.0 * std::log(s) / s);
    spare_ = u2 * m;
    has_spare_ = true;
    return u1 * m;
}

void RandomStream::skip_normals(long count)
{
    if (count <= 0)
        return;
    if (has_spare_) {
        has_spare_ = false;
        --count;
    }
    // Whole pairs: only the acceptance test decides how many draws they take.
    for (; count >= 2; count -= 2) {
        double u1, u2;
        polar_point(u1, u2);
    }
    // An odd one out leaves its partner for the next call.
    if (count == 1)
        normal();
}

RandomStream& RandomStream::process()
{
    static RandomStream stream;
    return stream;
}
