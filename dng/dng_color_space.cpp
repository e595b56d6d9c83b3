#include "dng/dng_color_space.h"

#include <algorithm>
#include <cmath>

namespace {

real64 Clamp01(real64 v) { return v > 0.0 ? std::min(v, 1.0) : 0.0; }

}  // namespace

dng_color_space::dng_color_space(const dng_xy_coord& red, const dng_xy_coord& green,
                                 const dng_xy_coord& blue, const dng_xy_coord& white) {
    // Columns are the primaries' XYZ, each scaled so that together they make the white.
    const dng_vector_3 r = XYtoXYZ(red);
    const dng_vector_3 g = XYtoXYZ(green);
    const dng_vector_3 b = XYtoXYZ(blue);
    const dng_matrix_3by3 primaries(r[0], g[0], b[0], r[1], g[1], b[1], r[2], g[2], b[2]);
    const dng_vector weights = Invert(primaries) * XYtoXYZ(white);
    const dng_matrix nativeToXYZ = primaries * Diagonal(weights);

    dng_matrix toPCS = MapWhiteMatrix(white, PCStoXY()) * nativeToXYZ;

    // Rounding in the adaptation leaves the white a hair off; pin it to the PCS white.
    const dng_vector_3 pcs = PCStoXYZ();
    for (uint32 row = 0; row < 3; ++row) {
        const real64 sum = toPCS[row][0] + toPCS[row][1] + toPCS[row][2];
        for (uint32 col = 0; col < 3; ++col)
            toPCS[row][col] *= pcs[row] / sum;
    }
    fMatrixToPCS = toPCS;
    fMatrixFromPCS = Invert(toPCS);
}

real64 dng_gamma_color_space::EncodeGamma(real64 linear) const {
    return std::pow(Clamp01(linear), 1.0 / fGamma);
}

real64 dng_gamma_color_space::DecodeGamma(real64 encoded) const {
    return std::pow(Clamp01(encoded), fGamma);
}

dng_space_sRGB::dng_space_sRGB()
    : dng_color_space(dng_xy_coord(0.64, 0.33), dng_xy_coord(0.30, 0.60), dng_xy_coord(0.15, 0.06),
                      D65_xy_coord()) {}

const dng_space_sRGB& dng_space_sRGB::Get() {
    static const dng_space_sRGB space;
    return space;
}

real64 dng_space_sRGB::EncodeGamma(real64 linear) const {
    const real64 x = Clamp01(linear);
    if (x <= 0.0031308)
        return 12.92 * x;
    return 1.055 * std::pow(x, 1.0 / 2.4) - 0.055;
}

real64 dng_space_sRGB::DecodeGamma(real64 encoded) const {
    const real64 y = Clamp01(encoded);
    if (y <= 0.0031308 * 12.92)
        return y / 12.92;
    return std::pow((y + 0.055) / 1.055, 2.4);
}

// Rendered with a plain 2.2 power, as raw converters do, rather than the format's 563/256;
// the two differ by less than a tenth of an 8-bit level.
dng_space_AdobeRGB::dng_space_AdobeRGB()
    : dng_gamma_color_space(dng_xy_coord(0.64, 0.33), dng_xy_coord(0.21, 0.71),
                            dng_xy_coord(0.15, 0.06), D65_xy_coord(), 2.2) {}

const dng_space_AdobeRGB& dng_space_AdobeRGB::Get() {
    static const dng_space_AdobeRGB space;
    return space;
}

dng_space_ColorMatch::dng_space_ColorMatch()
    : dng_gamma_color_space(dng_xy_coord(0.630, 0.340), dng_xy_coord(0.295, 0.605),
                            dng_xy_coord(0.150, 0.075), D50_xy_coord(), 1.8) {}

const dng_space_ColorMatch& dng_space_ColorMatch::Get() {
    static const dng_space_ColorMatch space;
    return space;
}

dng_space_ProPhoto::dng_space_ProPhoto()
    : dng_gamma_color_space(dng_xy_coord(0.7347, 0.2653), dng_xy_coord(0.1596, 0.8404),
                            dng_xy_coord(0.0366, 0.0001), D50_xy_coord(), 1.8) {}

const dng_space_ProPhoto& dng_space_ProPhoto::Get() {
    static const dng_space_ProPhoto space;
    return space;
}
