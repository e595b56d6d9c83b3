#pragma once
#include "dng/dng_matrix.h"
#include "dng/dng_types.h"

// A chromaticity (CIE 1931 x, y).
class dng_xy_coord {
public:
    real64 x = 0.0;
    real64 y = 0.0;

    dng_xy_coord() = default;
    dng_xy_coord(real64 xx, real64 yy) : x(xx), y(yy) {}

    void Clear() { x = y = 0.0; }
    bool IsValid() const { return x > 0.0 && y > 0.0; }

    bool operator==(const dng_xy_coord& o) const { return x == o.x && y == o.y; }
    bool operator!=(const dng_xy_coord& o) const { return !(*this == o); }
};

// Standard whites (CIE 1931 2° observer, four decimals as ICC and the DNG format use them).
inline dng_xy_coord StdA_xy_coord() { return dng_xy_coord(0.4476, 0.4074); }
inline dng_xy_coord D50_xy_coord() { return dng_xy_coord(0.3457, 0.3585); }
inline dng_xy_coord D55_xy_coord() { return dng_xy_coord(0.3324, 0.3474); }
inline dng_xy_coord D65_xy_coord() { return dng_xy_coord(0.3127, 0.3290); }
inline dng_xy_coord D75_xy_coord() { return dng_xy_coord(0.2990, 0.3149); }

// The profile connection space is XYZ relative to D50.
inline dng_xy_coord PCStoXY() { return D50_xy_coord(); }

// XYZ with Y = 1 for a chromaticity. Inputs are clamped to a usable range first so that
// a degenerate xy (zero, negative, on the x + y = 1 line) gives finite values.
dng_vector_3 XYtoXYZ(const dng_xy_coord& coord);

// Chromaticity of an XYZ triple; a triple with a non-positive sum (or not a triple) gives
// the PCS white.
dng_xy_coord XYZtoXY(const dng_vector& coord);

// XYZ of the PCS white, (0.9642957, 1, 0.8251046) to seven decimals.
dng_vector_3 PCStoXYZ();

// Bradford chromatic adaptation: maps XYZ seen under white1 to XYZ under white2.
// Each cone-response ratio is limited to [0.1, 10] so a degenerate white cannot blow up.
dng_matrix_3by3 MapWhiteMatrix(const dng_xy_coord& white1, const dng_xy_coord& white2);
