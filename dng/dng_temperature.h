#pragma once
#include "dng/dng_types.h"
#include "dng/dng_xy_coord.h"

// A white given as correlated colour temperature (kelvin) and tint. Temperature is found
// with Robertson's isotherm table in the CIE 1960 uv plane; tint is the signed distance
// from the Planckian locus along the isotherm, in uv units × 3000: positive for a white on
// the green side of the locus (daylight is about +10; its correction adds magenta),
// negative for one on the magenta side.
class dng_temperature {
public:
    dng_temperature() = default;
    dng_temperature(real64 temperature, real64 tint) : fTemperature(temperature), fTint(tint) {}
    explicit dng_temperature(const dng_xy_coord& xy) { Set_xy_coord(xy); }

    real64 Temperature() const { return fTemperature; }
    real64 Tint() const { return fTint; }

    // Far on the green side of very warm whites (below about 2500 K, tint above 10) the
    // isotherms cross, so a round trip there does not return the same pair.
    // Temperatures outside the table (about 1667 K to 100000 K and above) come out clamped
    // to its ends; a non-finite xy is taken as the PCS white.
    void Set_xy_coord(const dng_xy_coord& xy);
    // Temperatures are limited to the table's range; a non-positive one counts as infinite.
    dng_xy_coord Get_xy_coord() const;

private:
    real64 fTemperature = 0.0;
    real64 fTint = 0.0;
};

// Weight of the table calibrated at `low` kelvin when blending it with the one at `high`
// for `white`: linear in inverse temperature, 1 at or below `low`, 0 at or above `high`.
real64 InverseTemperatureWeight(const dng_xy_coord& white, real64 low, real64 high);
