#pragma once
#include "dng/dng_rect.h"

// Bytes per sample of a pixel type; 0 for an unknown one.
uint32 PixelTypeSize(uint32 pixelType);

// A window onto samples in memory: area, planes and the steps (in samples)
// between neighbouring columns, rows and planes.
class dng_pixel_buffer {
public:
    dng_rect fArea;
    uint32 fPlane = 0;
    uint32 fPlanes = 1;
    int32 fRowStep = 0;
    int32 fColStep = 0;
    int32 fPlaneStep = 0;
    uint32 fPixelType = ttShort;
    uint32 fPixelSize = 2;
    void* fData = nullptr;  // sample (fArea.t, fArea.l, fPlane)
    bool fDirty = false;

    // 16-bit access; any other pixel type reports "Pixel type access mismatch".
    const uint16* ConstPixel_uint16(int32 row, int32 col, uint32 plane = 0) const;
    uint16* DirtyPixel_uint16(int32 row, int32 col, uint32 plane = 0);
    const uint8* ConstPixel_uint8(int32 row, int32 col, uint32 plane = 0) const;

    // Copies the overlap of `src` (same pixel type) into this buffer, planes matched by number.
    void CopyArea(const dng_pixel_buffer& src, const dng_rect& area, uint32 srcPlane, uint32 dstPlane, uint32 planes);

private:
    int64 Offset(int32 row, int32 col, uint32 plane) const;
};
