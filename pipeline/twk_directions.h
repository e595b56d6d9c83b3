#pragma once
#include <cmath>
#include <cstdint>

#include "pipeline/mosaic_rows.h"

// Direction choice shared by the full-size passes. Directions: 0 north,
// 1 east, 2 south, 3 west, 4 north-east, 5 south-east, 6 north-west,
// 7 south-west; rows grow downwards.
namespace pipeline {

// Gradients towards north, east, south and west over the 5 x 5 window: two
// whole and four half differences, summed as twice their value in integers.
inline void OrthogonalGradients(const SiteWindow& S, double* g) {
    g[0] = 0.5 * (2 * (S.Gap(-2, 0, 0, 0) + S.Gap(-1, 0, 1, 0)) + S.Gap(-1, -1, 1, -1) + S.Gap(-1, 1, 1, 1) +
                  S.Gap(-2, -1, 0, -1) + S.Gap(-2, 1, 0, 1));
    g[1] = 0.5 * (2 * (S.Gap(0, 2, 0, 0) + S.Gap(0, -1, 0, 1)) + S.Gap(-1, 1, -1, -1) + S.Gap(1, 1, 1, -1) +
                  S.Gap(-1, 2, -1, 0) + S.Gap(1, 2, 1, 0));
    g[2] = 0.5 * (2 * (S.Gap(2, 0, 0, 0) + S.Gap(-1, 0, 1, 0)) + S.Gap(1, 1, -1, 1) + S.Gap(1, -1, -1, -1) +
                  S.Gap(2, 1, 0, 1) + S.Gap(2, -1, 0, -1));
    g[3] = 0.5 * (2 * (S.Gap(0, -2, 0, 0) + S.Gap(0, -1, 0, 1)) + S.Gap(1, -1, 1, 1) + S.Gap(-1, -1, -1, 1) +
                  S.Gap(1, -2, 1, 0) + S.Gap(-1, -2, -1, 0));
}

// Smallest and largest gradient as the green and transfer passes take them:
// a smallest of exactly 0 gives way to whatever gradient comes next.
inline void MinMaxZeroYields(const double* g, int n, double& lo, double& hi) {
    lo = hi = g[0];
    for (int d = 1; d < n; ++d) {
        if (g[d] < lo || lo == 0.0) lo = g[d];
        if (g[d] > hi) hi = g[d];
    }
}

inline void MinMax(const double* g, int n, double& lo, double& hi) {
    lo = hi = g[0];
    for (int d = 1; d < n; ++d) {
        if (g[d] < lo) lo = g[d];
        if (g[d] > hi) hi = g[d];
    }
}

inline double Threshold(double lo, double hi) { return 1.5 * lo + 0.5 * (hi - lo); }

// Directions, in order, whose gradient is below the threshold and not 0.
// While none passes, the threshold rises by 10, at most `raises` times; when
// still none passes, every one of the n directions is taken. Returns the count.
inline int ChooseDirections(const double* g, int n, double threshold, int raises, int* chosen) {
    bool anyNonZero = false;
    for (int d = 0; d < n; ++d) anyNonZero = anyNonZero || g[d] != 0.0;
    if (!anyNonZero) raises = -1;
    for (int walk = 0; walk <= raises; ++walk, threshold += 10.0) {
        int count = 0;
        for (int d = 0; d < n; ++d)
            if (g[d] < threshold && g[d] != 0.0) chosen[count++] = d;
        if (count > 0) return count;
    }
    for (int d = 0; d < n; ++d) chosen[d] = d;
    return n;
}

// Sums a[d] and b[d] over the directions ChooseDirections takes, in direction
// order, and returns their count. The common case, some direction passing at
// once, is summed without a branch per direction: adding 0.0 for a direction
// left out changes no sum.
inline int SumChosen(const double* g, int n, double threshold, int raises, const double* a, const double* b,
                     double& sumA, double& sumB) {
    sumA = 0.0;
    sumB = 0.0;
    int count = 0;
    for (int d = 0; d < n; ++d) {
        const bool take = g[d] < threshold && g[d] != 0.0;
        count += take;
        sumA += take ? a[d] : 0.0;
        sumB += take ? b[d] : 0.0;
    }
    if (count > 0) return count;
    int chosen[8];
    count = ChooseDirections(g, n, threshold, raises, chosen);
    for (int i = 0; i < count; ++i) {
        sumA += a[chosen[i]];
        sumB += b[chosen[i]];
    }
    return count;
}

// A pass result as a 16-bit sample: held to 0..65535, truncated toward zero.
inline uint16_t StoredSample(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 65535.0) return 65535;
    return static_cast<uint16_t>(value);
}

}  // namespace pipeline
