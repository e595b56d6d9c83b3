#pragma once
#include <vector>

#include "dng/dng_host.h"
#include "dng/dng_image.h"

// The bicubic resampling kernel (a = -0.75), support [-2, 2].
class dng_resample_bicubic {
public:
    static const dng_resample_bicubic& Get();
    real64 Extent() const { return 2.0; }
    real64 Evaluate(real64 x) const;
};

// Source taps of one destination row or column: the first source index and the
// weights in units of 1/16384, summing to exactly 16384.
struct dng_resample_taps {
    int32 first = 0;
    std::vector<int32> weights;
};

// Kernel values rounded to weights in 1/16384 that sum to exactly 16384 (the rounding
// remainder goes to the largest weight).
void RoundResampleWeights(const real64* values, uint32 count, int32* weights);

// Taps for scaling `srcSize` samples starting at `srcOrigin` onto `dstSize` samples.
// When shrinking the kernel is stretched by the scale so that every source sample counts.
std::vector<dng_resample_taps> MakeResampleTaps(int32 srcOrigin, uint32 srcSize, uint32 dstSize,
                                                const dng_resample_bicubic& kernel);

// Scales `srcArea` of a 16-bit image into `dstArea` of another with the same planes,
// separably (rows first, then columns). Samples outside the source image repeat its edge.
// Destination rows run on all cores, each worker with 10 bytes of buffer per source column read.
void ResampleImage(dng_host& host, const dng_image& srcImage, dng_image& dstImage, const dng_rect& srcArea,
                   const dng_rect& dstArea, const dng_resample_bicubic& kernel);
