#pragma once
#include "dng/dng_types.h"

struct dng_urational {
    uint32 n = 0;
    uint32 d = 0;
    dng_urational() = default;
    dng_urational(uint32 nn, uint32 dd) : n(nn), d(dd) {}
    bool IsValid() const { return d != 0; }
    real64 As_real64() const { return d ? static_cast<real64>(n) / d : 0.0; }
    bool operator==(const dng_urational& o) const { return n == o.n && d == o.d; }
};

struct dng_srational {
    int32 n = 0;
    int32 d = 0;
    dng_srational() = default;
    dng_srational(int32 nn, int32 dd) : n(nn), d(dd) {}
    bool IsValid() const { return d != 0; }
    real64 As_real64() const { return d ? static_cast<real64>(n) / d : 0.0; }
    bool operator==(const dng_srational& o) const { return n == o.n && d == o.d; }
};
