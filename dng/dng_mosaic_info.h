#pragma once
#include "dng/dng_host.h"
#include "dng/dng_ifd.h"

class dng_info;
class dng_negative;

// The colour filter array of a mosaic sensor and its demosaic.
class dng_mosaic_info {
public:
    void Parse(dng_host& host, dng_stream& stream, const dng_info& info);
    void PostParse(dng_host& host, dng_negative& negative);

    bool IsColorFilterArray() const { return fCFAPatternSize.v != 0 && fCFAPatternSize.h != 0; }
    // A 2 x 2 pattern of three colours with two greens on a diagonal.
    bool IsBayerPattern() const;

    // Full-size bilinear demosaic of plane `srcPlane` (0 when negative) of `srcImage` into `dstImage`,
    // which has the source's bounds and one plane per colour.
    void InterpolateGeneric(dng_host& host, dng_negative& negative, const dng_image& srcImage, dng_image& dstImage,
                            int32 srcPlane) const;

    dng_point fCFAPatternSize;
    uint8 fCFAPattern[kMaxCFAPatternSize][kMaxCFAPatternSize] = {};
    uint32 fColorPlanes = 0;
    uint8 fCFAPlaneColor[kMaxSamplesPerPixel] = {0, 1, 2, 3};
    uint32 fCFALayout = 1;
    uint32 fBayerGreenSplit = 0;
};
