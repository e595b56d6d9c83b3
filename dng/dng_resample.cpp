#include "dng/dng_resample.h"

#include <algorithm>
#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng/dng_tile_buffer.h"
#include "platform/parallel_run.h"

namespace {

constexpr int32 kWeightOne = 16384;
constexpr real64 kPositionSteps = 128.0;

uint16 Clamp16(int64 x) { return static_cast<uint16>(std::min<int64>(std::max<int64>(x, 0), 65535)); }

}  // namespace

const dng_resample_bicubic& dng_resample_bicubic::Get() {
    static const dng_resample_bicubic kernel;
    return kernel;
}

real64 dng_resample_bicubic::Evaluate(real64 x) const {
    constexpr real64 A = -0.75;
    x = std::fabs(x);
    if (x < 1.0) return ((A + 2.0) * x - (A + 3.0)) * x * x + 1.0;
    if (x < 2.0) return ((A * x - 5.0 * A) * x + 8.0 * A) * x - 4.0 * A;
    return 0.0;
}

void RoundResampleWeights(const real64* values, uint32 count, int32* weights) {
    real64 sum = 0.0;
    for (uint32 k = 0; k < count; ++k) sum += values[k];
    int32 total = 0;
    uint32 largest = 0;
    for (uint32 k = 0; k < count; ++k) {
        weights[k] = static_cast<int32>(std::lround(values[k] / sum * kWeightOne));
        total += weights[k];
        if (weights[k] > weights[largest]) largest = k;
    }
    weights[largest] += kWeightOne - total;
}

std::vector<dng_resample_taps> MakeResampleTaps(int32 srcOrigin, uint32 srcSize, uint32 dstSize,
                                                const dng_resample_bicubic& kernel) {
    if (srcSize == 0 || dstSize == 0) ThrowProgramError("Empty resample area");
    const real64 scale = real64(dstSize) / real64(srcSize);
    const real64 stretch = std::min(scale, 1.0);
    const int32 radius = static_cast<int32>(std::ceil(kernel.Extent() / stretch));
    std::vector<dng_resample_taps> taps(dstSize);
    std::vector<real64> w(2 * radius);
    for (uint32 j = 0; j < dstSize; ++j) {
        real64 pos = (j + 0.5) * real64(srcSize) / real64(dstSize) - 0.5;
        pos = std::round(pos * kPositionSteps) / kPositionSteps;
        const real64 whole = std::floor(pos);
        const real64 frac = pos - whole;
        for (int32 k = 0; k < 2 * radius; ++k) w[k] = kernel.Evaluate((k - radius + 1 - frac) * stretch);
        dng_resample_taps& t = taps[j];
        t.first = srcOrigin + static_cast<int32>(whole) - radius + 1;
        t.weights.resize(2 * radius);
        RoundResampleWeights(w.data(), 2 * radius, t.weights.data());
    }
    return taps;
}

void ResampleImage(dng_host& host, const dng_image& srcImage, dng_image& dstImage, const dng_rect& srcArea,
                   const dng_rect& dstArea, const dng_resample_bicubic& kernel) {
    if (srcImage.Planes() != dstImage.Planes()) ThrowProgramError("Resample between images of different planes");
    if (srcArea.IsEmpty() || dstArea.IsEmpty() || !RectInside(dstArea, dstImage.Bounds()))
        ThrowProgramError("Bad resample area");
    const dng_rect bounds = srcImage.Bounds();
    const std::vector<dng_resample_taps> rowTaps = MakeResampleTaps(srcArea.t, srcArea.H(), dstArea.H(), kernel);
    const std::vector<dng_resample_taps> colTaps = MakeResampleTaps(srcArea.l, srcArea.W(), dstArea.W(), kernel);
    // Columns the horizontal pass reads, clamped into the source image.
    const int32 colFirst = std::max(bounds.l, colTaps.front().first);
    const int32 colLast = std::min(bounds.r - 1, colTaps.back().first + int32(colTaps.back().weights.size()) - 1);
    const uint32 span = static_cast<uint32>(colLast - colFirst + 1);

    dng_const_tile_buffer src(srcImage, bounds);
    dng_dirty_tile_buffer dst(dstImage, dstArea);
    // One vertical sum and its rounded row per worker.
    const int workers = platform::WorkerCount();
    std::vector<std::vector<int64>> accumulators(workers, std::vector<int64>(span));
    std::vector<std::vector<uint16>> rows(workers, std::vector<uint16>(span));
    const uint32 height = dstArea.H();
    const auto resampleRow = [&](int index, int worker) {
        const uint32 plane = uint32(index) / height;
        const uint32 j = uint32(index) % height;
        if ((j & 15) == 0) host.SniffForAbort();
        int64* accumulator = accumulators[worker].data();
        uint16* row = rows[worker].data();
        const dng_resample_taps& rt = rowTaps[j];
        std::fill(accumulator, accumulator + span, 0);
        for (size_t k = 0; k < rt.weights.size(); ++k) {
            const int32 r = std::min(std::max(rt.first + int32(k), bounds.t), bounds.b - 1);
            const uint16* s = src.ConstPixel_uint16(r, colFirst, plane);
            const int64 w = rt.weights[k];
            for (uint32 c = 0; c < span; ++c) accumulator[c] += w * s[c];
        }
        for (uint32 c = 0; c < span; ++c) row[c] = Clamp16((accumulator[c] + kWeightOne / 2) >> 14);
        uint16* d = dst.DirtyPixel_uint16(dstArea.t + int32(j), dstArea.l, plane);
        for (uint32 i = 0; i < dstArea.W(); ++i) {
            const dng_resample_taps& ct = colTaps[i];
            int64 sum = 0;
            for (size_t k = 0; k < ct.weights.size(); ++k) {
                const int32 c = std::min(std::max(ct.first + int32(k), colFirst), colLast);
                sum += int64(ct.weights[k]) * row[c - colFirst];
            }
            d[i] = Clamp16((sum + kWeightOne / 2) >> 14);
        }
    };
    platform::RunParallel(int(srcImage.Planes() * height), resampleRow, nullptr, nullptr);
}
