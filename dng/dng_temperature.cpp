#include "dng/dng_temperature.h"

#include <cmath>

namespace {

// Robertson's isotherms: reciprocal temperature (mired), the locus point (u, v) on it
// and the isotherm's slope in the uv plane.
struct Isotherm {
    real64 mired;
    real64 u;
    real64 v;
    real64 slope;
};

constexpr Isotherm kIsotherms[] = {
    {0, 0.18006, 0.26352, -0.24341},   {10, 0.18066, 0.26589, -0.25479},
    {20, 0.18133, 0.26846, -0.26876},  {30, 0.18208, 0.27119, -0.28539},
    {40, 0.18293, 0.27407, -0.30470},  {50, 0.18388, 0.27709, -0.32675},
    {60, 0.18494, 0.28021, -0.35156},  {70, 0.18611, 0.28342, -0.37915},
    {80, 0.18740, 0.28668, -0.40955},  {90, 0.18880, 0.28997, -0.44278},
    {100, 0.19032, 0.29326, -0.47888}, {125, 0.19462, 0.30141, -0.58204},
    {150, 0.19962, 0.30921, -0.70471}, {175, 0.20525, 0.31647, -0.84901},
    {200, 0.21142, 0.32312, -1.0182},  {225, 0.21807, 0.32909, -1.2168},
    {250, 0.22511, 0.33439, -1.4512},  {275, 0.23247, 0.33904, -1.7298},
    {300, 0.24010, 0.34308, -2.0637},  {325, 0.24702, 0.34655, -2.4681},
    {350, 0.25591, 0.34951, -2.9641},  {375, 0.26400, 0.35200, -3.5814},
    {400, 0.27218, 0.35407, -4.3633},  {425, 0.28039, 0.35577, -5.3762},
    {450, 0.28863, 0.35714, -6.7262},  {475, 0.29685, 0.35823, -8.5955},
    {500, 0.30505, 0.35907, -11.324},  {525, 0.31320, 0.35968, -15.628},
    {550, 0.32129, 0.36011, -23.325},  {575, 0.32931, 0.36038, -40.770},
    {600, 0.33724, 0.36051, -116.45},
};
constexpr int kLast = sizeof(kIsotherms) / sizeof(kIsotherms[0]) - 1;

// Converts a uv offset to tint units.
constexpr real64 kTintScale = 3000.0;

// Unit vector along isotherm i, oriented towards +v (the green side of the locus).
void IsothermDirection(int i, real64& du, real64& dv) {
    const real64 len = std::sqrt(1.0 + kIsotherms[i].slope * kIsotherms[i].slope);
    du = 1.0 / len;
    dv = kIsotherms[i].slope / len;
    if (dv < 0.0) {
        du = -du;
        dv = -dv;
    }
}

// Locus point and green-pointing isotherm direction at a blend f of row i−1 and (1−f) of row i.
void LocusAt(int i, real64 f, real64& u, real64& v, real64& du, real64& dv) {
    u = kIsotherms[i - 1].u * f + kIsotherms[i].u * (1.0 - f);
    v = kIsotherms[i - 1].v * f + kIsotherms[i].v * (1.0 - f);
    real64 du0, dv0, du1, dv1;
    IsothermDirection(i - 1, du0, dv0);
    IsothermDirection(i, du1, dv1);
    du = du0 * f + du1 * (1.0 - f);
    dv = dv0 * f + dv1 * (1.0 - f);
    const real64 len = std::sqrt(du * du + dv * dv);
    du /= len;
    dv /= len;
}

}  // namespace

void dng_temperature::Set_xy_coord(const dng_xy_coord& xy) {
    dng_xy_coord white = xy;
    if (!std::isfinite(white.x) || !std::isfinite(white.y))
        white = PCStoXY();
    const dng_vector_3 XYZ = XYtoXYZ(white);
    const real64 sum = XYZ[0] + XYZ[1] + XYZ[2];
    const real64 x = XYZ[0] / sum;
    const real64 y = XYZ[1] / sum;
    const real64 denom = 1.5 - x + 6.0 * y;
    const real64 u = 2.0 * x / denom;
    const real64 v = 3.0 * y / denom;

    // Signed distance to each isotherm; the point lies between the last isotherm with a
    // positive distance and the first with a non-positive one.
    real64 lastDistance = 0.0;
    for (int i = 1; i <= kLast; ++i) {
        const real64 len = std::sqrt(1.0 + kIsotherms[i].slope * kIsotherms[i].slope);
        const real64 du = 1.0 / len;
        const real64 dv = kIsotherms[i].slope / len;
        real64 distance = (v - kIsotherms[i].v) * du - (u - kIsotherms[i].u) * dv;
        if (distance <= 0.0 || i == kLast) {
            if (distance > 0.0)
                distance = 0.0;
            distance = -distance;
            const real64 f = (i == 1) ? 0.0 : distance / (lastDistance + distance);
            fTemperature = 1.0e6 / (kIsotherms[i - 1].mired * f + kIsotherms[i].mired * (1.0 - f));
            real64 lu, lv, ldu, ldv;
            LocusAt(i, f, lu, lv, ldu, ldv);
            fTint = ((u - lu) * ldu + (v - lv) * ldv) * kTintScale;
            return;
        }
        lastDistance = distance;
    }
}

dng_xy_coord dng_temperature::Get_xy_coord() const {
    real64 mired = fTemperature > 0.0 ? 1.0e6 / fTemperature : 0.0;
    if (!std::isfinite(mired))
        mired = 0.0;
    mired = std::fmin(mired, kIsotherms[kLast].mired);
    int i = 1;
    while (i < kLast && mired > kIsotherms[i].mired)
        ++i;
    const real64 f = (kIsotherms[i].mired - mired) / (kIsotherms[i].mired - kIsotherms[i - 1].mired);
    real64 u, v, du, dv;
    LocusAt(i, f, u, v, du, dv);
    const real64 offset = std::isfinite(fTint) ? fTint / kTintScale : 0.0;
    u += du * offset;
    v += dv * offset;
    const real64 denom = u - 4.0 * v + 2.0;
    return dng_xy_coord(1.5 * u / denom, v / denom);
}

real64 InverseTemperatureWeight(const dng_xy_coord& white, real64 low, real64 high) {
    if (low >= high) return 1.0;
    const real64 t = dng_temperature(white).Temperature();
    if (t <= low) return 1.0;
    if (t >= high) return 0.0;
    return (1.0 / t - 1.0 / high) / (1.0 / low - 1.0 / high);
}
