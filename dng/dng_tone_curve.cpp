#include "dng/dng_tone_curve.h"

#include <algorithm>
#include <cmath>

void dng_tone_curve::SetPoints(std::vector<Point> points) {
    fPoints = std::move(points);
    Solve();
}

void dng_tone_curve::SetNull() { SetPoints({{0.0, 0.0}, {1.0, 1.0}}); }

bool dng_tone_curve::IsNull() const {
    return fPoints.size() == 2 && fPoints[0] == Point{0.0, 0.0} && fPoints[1] == Point{1.0, 1.0};
}

bool dng_tone_curve::IsValid() const {
    if (fPoints.size() < 2)
        return false;
    if (!(fPoints.front() == Point{0.0, 0.0}) || !(fPoints.back() == Point{1.0, 1.0}))
        return false;
    for (size_t i = 0; i < fPoints.size(); ++i) {
        if (!(fPoints[i].y >= 0.0 && fPoints[i].y <= 1.0))
            return false;
        if (i > 0 && !(fPoints[i].x > fPoints[i - 1].x))
            return false;
    }
    return true;
}

// Natural spline: zero curvature at both ends, second derivatives from the usual
// tridiagonal system (Thomas algorithm).
void dng_tone_curve::Solve() {
    fSecondDerivative.assign(fPoints.size(), 0.0);
    if (!IsValid() || fPoints.size() < 3)
        return;
    const size_t n = fPoints.size();
    std::vector<real64> diag(n, 1.0), upper(n, 0.0), rhs(n, 0.0);
    for (size_t i = 1; i + 1 < n; ++i) {
        const real64 h0 = fPoints[i].x - fPoints[i - 1].x;
        const real64 h1 = fPoints[i + 1].x - fPoints[i].x;
        const real64 s0 = (fPoints[i].y - fPoints[i - 1].y) / h0;
        const real64 s1 = (fPoints[i + 1].y - fPoints[i].y) / h1;
        // Forward elimination folded in: row i is h0·M[i−1] + 2(h0+h1)·M[i] + h1·M[i+1] = 6(s1−s0).
        const real64 d = 2.0 * (h0 + h1) - h0 * upper[i - 1] / diag[i - 1];
        diag[i] = d;
        upper[i] = h1;
        rhs[i] = 6.0 * (s1 - s0) - h0 * rhs[i - 1] / diag[i - 1];
    }
    for (size_t i = n - 2; i >= 1; --i)
        fSecondDerivative[i] = (rhs[i] - upper[i] * fSecondDerivative[i + 1]) / diag[i];
}

real64 dng_tone_curve::Evaluate(real64 x) const {
    if (!(x > 0.0))
        x = 0.0;
    x = std::min(x, 1.0);
    if (!IsValid())
        return x;
    const auto it = std::upper_bound(fPoints.begin(), fPoints.end(), x,
                                     [](real64 v, const Point& p) { return v < p.x; });
    // Segment j holds x between points j and j + 1; x = 1 falls in the last one.
    const size_t above = static_cast<size_t>(it - fPoints.begin());
    const size_t j = std::clamp<size_t>(above, 1, fPoints.size() - 1) - 1;
    const Point& p0 = fPoints[j];
    const Point& p1 = fPoints[j + 1];
    const real64 h = p1.x - p0.x;
    const real64 a = (p1.x - x) / h;
    const real64 b = (x - p0.x) / h;
    const real64 y = a * p0.y + b * p1.y +
                     ((a * a * a - a) * fSecondDerivative[j] + (b * b * b - b) * fSecondDerivative[j + 1]) *
                         h * h / 6.0;
    return std::clamp(y, 0.0, 1.0);
}

namespace {

// Anchor values of the default curve; between them the table follows a monotone cubic
// (Fritsch–Carlson), which keeps the curve rising without overshoot.
struct Anchor {
    real64 x;
    real64 y;
};
constexpr Anchor kAcr3Anchors[] = {
    {0.0, 0.0},           {1.0 / 1024, 0.00078}, {1.0 / 256, 0.00314}, {1.0 / 128, 0.00623},
    {1.0 / 64, 0.01485},  {1.0 / 32, 0.04002},   {1.0 / 16, 0.10433},  {1.0 / 8, 0.25961},
    {3.0 / 16, 0.40389},  {1.0 / 4, 0.52069},    {3.0 / 8, 0.69035},   {1.0 / 2, 0.80486},
    {5.0 / 8, 0.88453},   {3.0 / 4, 0.93986},    {7.0 / 8, 0.97702},   {1.0, 1.0},
};
constexpr size_t kAnchorCount = sizeof(kAcr3Anchors) / sizeof(kAcr3Anchors[0]);

std::vector<real64> MonotoneTangents() {
    std::vector<real64> secant(kAnchorCount - 1);
    for (size_t i = 0; i + 1 < kAnchorCount; ++i)
        secant[i] = (kAcr3Anchors[i + 1].y - kAcr3Anchors[i].y) / (kAcr3Anchors[i + 1].x - kAcr3Anchors[i].x);
    std::vector<real64> tangent(kAnchorCount);
    tangent[0] = secant[0];
    tangent[kAnchorCount - 1] = secant[kAnchorCount - 2];
    for (size_t i = 1; i + 1 < kAnchorCount; ++i)
        tangent[i] = (secant[i - 1] * secant[i] <= 0.0) ? 0.0 : 0.5 * (secant[i - 1] + secant[i]);
    for (size_t i = 0; i + 1 < kAnchorCount; ++i) {
        const real64 a = tangent[i] / secant[i];
        const real64 b = tangent[i + 1] / secant[i];
        const real64 r = a * a + b * b;
        if (r > 9.0) {
            const real64 t = 3.0 / std::sqrt(r);
            tangent[i] = t * a * secant[i];
            tangent[i + 1] = t * b * secant[i];
        }
    }
    return tangent;
}

}  // namespace

dng_tone_curve_acr3_default::dng_tone_curve_acr3_default() {
    const std::vector<real64> tangent = MonotoneTangents();
    size_t seg = 0;
    for (uint32 i = 0; i < kTableSize; ++i) {
        const real64 x = i / 1024.0;
        while (seg + 2 < kAnchorCount && x > kAcr3Anchors[seg + 1].x)
            ++seg;
        const Anchor& p0 = kAcr3Anchors[seg];
        const Anchor& p1 = kAcr3Anchors[seg + 1];
        const real64 h = p1.x - p0.x;
        const real64 t = (x - p0.x) / h;
        const real64 t2 = t * t;
        const real64 t3 = t2 * t;
        fTable[i] = (2 * t3 - 3 * t2 + 1) * p0.y + (t3 - 2 * t2 + t) * h * tangent[seg] +
                    (-2 * t3 + 3 * t2) * p1.y + (t3 - t2) * h * tangent[seg + 1];
    }
}

const dng_tone_curve_acr3_default& dng_tone_curve_acr3_default::Get() {
    static const dng_tone_curve_acr3_default curve;
    return curve;
}

real64 dng_tone_curve_acr3_default::Evaluate(real64 x) const {
    if (!(x > 0.0))
        return fTable[0];
    const real64 pos = std::min(x, 1.0) * 1024.0;
    const uint32 index = std::min<uint32>(static_cast<uint32>(pos), kTableSize - 2);
    const real64 frac = pos - index;
    return fTable[index] + frac * (fTable[index + 1] - fTable[index]);
}
