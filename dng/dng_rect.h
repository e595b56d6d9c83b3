#pragma once
#include "dng/dng_types.h"

// Pixel coordinates, row first.
struct dng_point {
    int32 v = 0;
    int32 h = 0;
    dng_point() = default;
    dng_point(int32 vv, int32 hh) : v(vv), h(hh) {}
    bool operator==(const dng_point& o) const { return v == o.v && h == o.h; }
    bool operator!=(const dng_point& o) const { return !(*this == o); }
};

// Rectangle (top, left, bottom, right); bottom and right are exclusive.
struct dng_rect {
    int32 t = 0;
    int32 l = 0;
    int32 b = 0;
    int32 r = 0;

    dng_rect() = default;
    dng_rect(int32 tt, int32 ll, int32 bb, int32 rr) : t(tt), l(ll), b(bb), r(rr) {}
    dng_rect(uint32 h, uint32 w) : b(static_cast<int32>(h)), r(static_cast<int32>(w)) {}

    bool operator==(const dng_rect& o) const { return t == o.t && l == o.l && b == o.b && r == o.r; }
    bool operator!=(const dng_rect& o) const { return !(*this == o); }

    bool IsEmpty() const { return t >= b || l >= r; }
    bool NotEmpty() const { return !IsEmpty(); }
    // Sizes are 0 for an inverted rectangle.
    uint32 W() const { return r > l ? static_cast<uint32>(int64(r) - l) : 0; }
    uint32 H() const { return b > t ? static_cast<uint32>(int64(b) - t) : 0; }
    dng_point TL() const { return dng_point(t, l); }
    dng_point Size() const { return dng_point(static_cast<int32>(H()), static_cast<int32>(W())); }
};

inline dng_rect operator&(const dng_rect& a, const dng_rect& b) {
    dng_rect c(a.t > b.t ? a.t : b.t, a.l > b.l ? a.l : b.l, a.b < b.b ? a.b : b.b, a.r < b.r ? a.r : b.r);
    if (c.IsEmpty()) return dng_rect();
    return c;
}

// Inclusion of `inner` in `outer`; an empty rectangle is inside anything.
inline bool RectInside(const dng_rect& inner, const dng_rect& outer) {
    return inner.IsEmpty() || (inner.t >= outer.t && inner.l >= outer.l && inner.b <= outer.b && inner.r <= outer.r);
}
