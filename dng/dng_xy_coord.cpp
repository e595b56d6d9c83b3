#include "dng/dng_xy_coord.h"

#include <algorithm>

dng_vector_3 XYtoXYZ(const dng_xy_coord& coord) {
    constexpr real64 kMin = 1.0e-6;
    constexpr real64 kMax = 0.999999;
    real64 x = std::clamp(coord.x, kMin, kMax);
    real64 y = std::clamp(coord.y, kMin, kMax);
    if (x + y > kMax) {
        const real64 scale = kMax / (x + y);
        x *= scale;
        y *= scale;
    }
    return dng_vector_3(x / y, 1.0, (1.0 - x - y) / y);
}

dng_xy_coord XYZtoXY(const dng_vector& coord) {
    const real64 X = coord[0];
    const real64 Y = coord[1];
    const real64 Z = coord[2];
    const real64 total = X + Y + Z;
    // The negated test also sends NaN sums to the fallback.
    if (!(total > 0.0))
        return PCStoXY();
    return dng_xy_coord(X / total, Y / total);
}

dng_vector_3 PCStoXYZ() { return XYtoXYZ(PCStoXY()); }
