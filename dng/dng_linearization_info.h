#pragma once
#include <vector>

#include "dng/dng_host.h"
#include "dng/dng_ifd.h"

class dng_info;

// What turns stored raw values into linear values: active area, table, black and white levels.
class dng_linearization_info {
public:
    void Parse(dng_host& host, dng_stream& stream, const dng_info& info);
    void PostParse(dng_host& host, const dng_image* stage1);

    // Largest black level of `plane` over the repeat pattern, deltas included.
    real64 MaxBlackLevel(uint32 plane) const;

    // Linear 16-bit values of the active area of `srcImage` into `dstImage` (active-area size).
    void Linearize(dng_host& host, const dng_image& srcImage, dng_image& dstImage) const;

    dng_rect fActiveArea;
    uint32 fMaskedAreaCount = 0;
    dng_rect fMaskedArea[kMaxMaskedAreas];
    std::vector<uint16> fLinearizationTable;
    uint32 fBlackLevelRepeatRows = 1;
    uint32 fBlackLevelRepeatCols = 1;
    real64 fBlackLevel[kMaxBlackPatternSize][kMaxBlackPatternSize][kMaxSamplesPerPixel] = {};
    std::vector<real64> fBlackDeltaH;
    std::vector<real64> fBlackDeltaV;
    real64 fWhiteLevel[kMaxSamplesPerPixel] = {65535, 65535, 65535, 65535};
};
