#pragma once

#include "RandomStream.h"

#include <cmath>
#include <cstdint>

// Standard normals by the ziggurat method (Marsaglia and Tsang, 128 layers,
// in Doornik's form), drawing from a RandomStream: about 99% of the draws
// cost one uniform and one multiply, against a logarithm and a square root
// per pair for the polar method. One 53-bit uniform gives the layer (7 bits)
// and a 46-bit abscissa in [-1, 1). The tables are built once and shared.
class ZigguratNormal
{
public:
    static const ZigguratNormal& instance()
    {
        static const ZigguratNormal tables;
        return tables;
    }

    double operator()(RandomStream& stream) const
    {
        for (;;) {
            const std::uint64_t bits = static_cast<std::uint64_t>(stream.uniform() * 9007199254740992.0);  // 2^53
            const int i = static_cast<int>(bits & 127u);
            const double u = static_cast<double>(bits >> 7) * (2.0 / 70368744177664.0) - 1.0;  // 2 / 2^46
            if (std::fabs(u) < ratio_[i])
                return u * x_[i];
            if (i == 0)
                return tail(stream, u < 0.0);
            // The wedge outside the layer's rectangle, under the density.
            const double x = u * x_[i];
            const double f0 = std::exp(-0.5 * (x_[i] * x_[i] - x * x));
            const double f1 = std::exp(-0.5 * (x_[i + 1] * x_[i + 1] - x * x));
            if (f1 + stream.uniform() * (f0 - f1) < 1.0)
                return x;
        }
    }

private:
    static constexpr int kLayers = 128;
    static constexpr double kR = 3.442619855899;         // where the tail starts
    static constexpr double kV = 9.91256303526217e-3;    // area of each layer

    ZigguratNormal()
    {
        double f = std::exp(-0.5 * kR * kR);
        x_[0] = kV / f;  // the bottom layer, tail included, as a rectangle
        x_[1] = kR;
        x_[kLayers] = 0.0;
        for (int i = 2; i < kLayers; ++i) {
            x_[i] = std::sqrt(-2.0 * std::log(kV / x_[i - 1] + f));
            f = std::exp(-0.5 * x_[i] * x_[i]);
        }
        for (int i = 0; i < kLayers; ++i)
            ratio_[i] = x_[i + 1] / x_[i];
    }

    // Beyond kR (Marsaglia's tail method); 1 - uniform lies in (0, 1].
    static double tail(RandomStream& stream, bool negative)
    {
        double x, y;
        do {
            x = std::log(1.0 - stream.uniform()) / kR;
            y = std::log(1.0 - stream.uniform());
        } while (-2.0 * y < x * x);
        return negative ? x - kR : kR - x;
    }

    double x_[kLayers + 1];
    double ratio_[kLayers];
};
