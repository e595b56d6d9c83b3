#pragma once
#include <vector>

#include "dng/dng_types.h"

// A profile tone curve: (x, y) points from (0, 0) to (1, 1), x strictly increasing,
// evaluated as a natural cubic spline through the points.
class dng_tone_curve {
public:
    struct Point {
        real64 x;
        real64 y;
        bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    };

    // No points: a profile without a tone curve.
    dng_tone_curve() = default;

    const std::vector<Point>& Points() const { return fPoints; }
    // Takes the points as they are; IsValid tells whether they form a usable curve.
    void SetPoints(std::vector<Point> points);
    // Two-point identity curve.
    void SetNull();
    bool IsNull() const;
    // Starts at (0, 0), ends at (1, 1), x strictly increasing, every y in [0, 1].
    bool IsValid() const;

    // Curve value at x (clamped to [0, 1]); an invalid curve evaluates as the identity.
    real64 Evaluate(real64 x) const;

    bool operator==(const dng_tone_curve& o) const { return fPoints == o.fPoints; }
    bool operator!=(const dng_tone_curve& o) const { return !(*this == o); }

private:
    void Solve();

    std::vector<Point> fPoints;
    std::vector<real64> fSecondDerivative;  // of the spline at each point
};

// The render's default tone curve: a film-like contrast curve tabulated at 1025 points
// (x = i/1024) and read with linear interpolation.
class dng_tone_curve_acr3_default {
public:
    static const dng_tone_curve_acr3_default& Get();

    static constexpr uint32 kTableSize = 1025;
    real64 Evaluate(real64 x) const;
    real64 TableEntry(uint32 index) const { return fTable[index]; }

private:
    dng_tone_curve_acr3_default();
    real64 fTable[kTableSize];
};
