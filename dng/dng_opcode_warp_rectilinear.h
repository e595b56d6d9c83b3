#pragma once
#include "dng/dng_opcode_list.h"
#include "dng/dng_rect.h"

// Geometry of a WarpRectilinear opcode on an image: where the source of each
// destination pixel lies, as the DNG format defines it.
class dng_warp_rectilinear_geometry {
public:
    // `pixelAspect` = width of a pixel / its height (1 for square pixels).
    dng_warp_rectilinear_geometry(const dng_opcode_WarpRectilinear& warp, const dng_rect& bounds, real64 pixelAspect);

    // Source position (row, column) for destination pixel (row, col) of `plane`.
    void SourcePosition(uint32 plane, real64 row, real64 col, real64& srcRow, real64& srcCol) const;

private:
    const dng_opcode_WarpRectilinear& fWarp;
    real64 fCenterH;
    real64 fCenterV;
    real64 fSquash;  // 1 / pixel aspect
    real64 fMaxDistance;
};
