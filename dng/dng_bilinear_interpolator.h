#pragma once
#include "dng/dng_pixel_buffer.h"

class dng_mosaic_info;
class dng_negative;

constexpr uint32 kMaxBilinearKernel = 25;
// Rows and columns a kernel reaches on each side of its site.
constexpr int32 kBilinearMargin = 2;

// 16-bit bilinear row: destination sample j is the kernel of the current pattern phase applied
// around source sample j >> sShift; the finished row also goes to the negative's StoreRow hook.
void RefBilinearRow16(const uint16* sPtr, uint16* dPtr, uint32 cols, uint32 patPhase, uint32 patCount,
                      const uint32* kernCounts, const int32 (*kernOffsets)[kMaxBilinearKernel],
                      const uint16 (*kernWeights)[kMaxBilinearKernel], uint32 sShift, dng_negative& negative,
                      uint32 plane, int32 row, int32 firstCol, uint32 H, uint32 W);

// Replaceable routines of the layer, called through this table.
struct dng_suite {
    decltype(&RefBilinearRow16) BilinearRow16 = &RefBilinearRow16;
};
extern dng_suite gDNGSuite;

// Kernels of every pattern phase and plane for one source row step, and the per-area driver.
class dng_bilinear_interpolator {
public:
    // `srcRowStep` is the distance in samples between source rows.
    dng_bilinear_interpolator(const dng_mosaic_info& info, int32 srcRowStep);

    // Fills `dstBuffer` (16-bit, one plane per colour) from `srcBuffer`, whose area is the
    // destination area grown by the margin on every side.
    void Interpolate(const dng_pixel_buffer& srcBuffer, dng_pixel_buffer& dstBuffer, dng_negative& negative, uint32 H,
                     uint32 W) const;

private:
    uint32 fPatRows;
    uint32 fPatCols;
    uint32 fPlanes;
    // [row phase][plane][col phase]
    uint32 fCounts[8][4][8];
    int32 fOffsets[8][4][8][kMaxBilinearKernel];
    uint16 fWeights[8][4][8][kMaxBilinearKernel];
};
