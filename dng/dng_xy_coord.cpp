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
    if (coord.Count() != 3)
        return PCStoXY();
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

dng_matrix_3by3 MapWhiteMatrix(const dng_xy_coord& white1, const dng_xy_coord& white2) {
    const dng_matrix_3by3 bradford(0.8951, 0.2664, -0.1614,
                                   -0.7502, 1.7135, 0.0367,
                                   0.0389, -0.0685, 1.0296);
    const dng_vector cone1 = bradford * XYtoXYZ(white1);
    const dng_vector cone2 = bradford * XYtoXYZ(white2);
    dng_matrix_3by3 ratio;
    for (uint32 i = 0; i < 3; ++i) {
        const real64 c1 = std::max(cone1[i], 0.0);
        const real64 c2 = std::max(cone2[i], 0.0);
        ratio[i][i] = c1 > 0.0 ? std::clamp(c2 / c1, 0.1, 10.0) : 10.0;
    }
    return dng_matrix_3by3(Invert(bradford) * ratio * bradford);
}
