#include "RandomStream.h"

#include <cmath>

double RandomStream::normal()
{
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    double u1, u2, s;
    do {
        u1 = 2.0 * uniform() - 1.0;
        u2 = 2.0 * uniform() - 1.0;
        s = u1 * u1 + u2 * u2;
    } while (s >= 1.0 || s == 0.0);
    const double m = std::sqrt(-2.0 * std::log(s) / s);
    spare_ = u2 * m;
    has_spare_ = true;
    return u1 * m;
}

RandomStream& RandomStream::process()
{
    static RandomStream stream;
    return stream;
}
