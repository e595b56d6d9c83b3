#include "dng/dng_mosaic_info.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dng/dng_bilinear_interpolator.h"
#include "dng/dng_exceptions.h"
#include "dng/dng_info.h"
#include "dng/dng_tile_buffer.h"
#include "platform/parallel_run.h"

namespace {

constexpr int32 kInterpolateTile = 128;

// Index inside [0, size) for a position up to a margin outside, keeping the pattern phase.
int32 RepeatEdge(int32 x, int32 size, int32 period) {
    if (x < 0) x += period * ((-x + period - 1) / period);
    if (x >= size) x -= period * ((x - size) / period + 1);
    return std::min(std::max(x, 0), size - 1);
}

}  // namespace

void dng_mosaic_info::Parse(dng_host&, dng_stream&, const dng_info& info) {
    const dng_ifd& ifd = *info.fIFD[info.fMainIndex];
    *this = dng_mosaic_info();
    if (ifd.fPhotometricInterpretation != piCFA) return;
    fCFAPatternSize = dng_point(static_cast<int32>(ifd.fCFARepeatPatternRows),
                                static_cast<int32>(ifd.fCFARepeatPatternCols));
    std::memcpy(fCFAPattern, ifd.fCFAPattern, sizeof fCFAPattern);
    fColorPlanes = ifd.fCFAPlaneColorCount;
    std::memcpy(fCFAPlaneColor, ifd.fCFAPlaneColor, sizeof fCFAPlaneColor);
    fCFALayout = ifd.fCFALayout;
    fBayerGreenSplit = ifd.fBayerGreenSplit;
}

void dng_mosaic_info::PostParse(dng_host&, dng_negative&) {}

bool dng_mosaic_info::IsBayerPattern() const {
    if (fCFAPatternSize != dng_point(2, 2) || fColorPlanes != 3) return false;
    const uint8 green = fCFAPlaneColor[1];
    const bool mainDiagonal = fCFAPattern[0][0] == green && fCFAPattern[1][1] == green;
    const bool otherDiagonal = fCFAPattern[0][1] == green && fCFAPattern[1][0] == green;
    return mainDiagonal != otherDiagonal;
}

void dng_mosaic_info::InterpolateGeneric(dng_host& host, dng_negative& negative, const dng_image& srcImage,
                                         dng_image& dstImage, int32 srcPlane) const {
    if (fCFALayout != 1) ThrowBadFormat("Only rectangular CFA layouts can be interpolated");
    if (srcImage.PixelType() != ttShort || dstImage.PixelType() != ttShort)
        ThrowProgramError("Pixel type access mismatch");
    const dng_rect bounds = srcImage.Bounds();
    const uint32 H = bounds.H();
    const uint32 W = bounds.W();
    const uint32 plane = srcPlane < 0 ? 0 : static_cast<uint32>(srcPlane);
    if (plane >= srcImage.Planes()) ThrowProgramError("Source plane out of range");

    const int32 margin = kBilinearMargin;
    const int32 windowCols = kInterpolateTile + 2 * margin;
    const size_t windowSamples = size_t(windowCols) * (kInterpolateTile + 2 * margin);
    const dng_bilinear_interpolator interpolator(*this, windowCols);

    dng_const_tile_buffer src(srcImage, bounds);
    const dng_rect dstArea = dstImage.Bounds() & bounds;
    if (dstArea.IsEmpty()) return;
    const int32 tileCols = (dstArea.W() + kInterpolateTile - 1) / kInterpolateTile;
    const int32 tileRows = (dstArea.H() + kInterpolateTile - 1) / kInterpolateTile;
    // Tiles write disjoint areas, so they run on all cores, each worker with its own window.
    std::vector<std::vector<uint16>> windows(static_cast<size_t>(platform::WorkerCount()));
    const auto interpolateTile = [&](int index, int worker) {
        host.SniffForAbort();
        std::vector<uint16>& window = windows[size_t(worker)];
        window.resize(windowSamples);
        const int32 top = dstArea.t + index / tileCols * kInterpolateTile;
        const int32 left = dstArea.l + index % tileCols * kInterpolateTile;
        const dng_rect tile(top, left, std::min(top + kInterpolateTile, dstArea.b),
                            std::min(left + kInterpolateTile, dstArea.r));
        // Source window: the tile grown by the margin, edges repeating the outer pattern band.
        dng_pixel_buffer srcBuffer;
        srcBuffer.fArea = dng_rect(tile.t - margin, tile.l - margin, tile.b + margin, tile.r + margin);
        srcBuffer.fPlanes = 1;
        srcBuffer.fColStep = 1;
        srcBuffer.fRowStep = windowCols;
        srcBuffer.fPixelType = ttShort;
        srcBuffer.fPixelSize = 2;
        srcBuffer.fData = window.data();
        for (int32 r = srcBuffer.fArea.t; r < srcBuffer.fArea.b; ++r) {
            const int32 sr = bounds.t + RepeatEdge(r - bounds.t, static_cast<int32>(H), fCFAPatternSize.v);
            const uint16* in = src.ConstPixel_uint16(sr, bounds.l, plane);
            uint16* out = window.data() + size_t(r - srcBuffer.fArea.t) * windowCols;
            for (int32 c = srcBuffer.fArea.l; c < srcBuffer.fArea.r; ++c) {
                const bool inside = c >= bounds.l && c < bounds.r;
                const int32 sc = inside ? c - bounds.l
                                        : RepeatEdge(c - bounds.l, static_cast<int32>(W), fCFAPatternSize.h);
                out[c - srcBuffer.fArea.l] = in[sc];
            }
        }
        dng_dirty_tile_buffer dst(dstImage, tile);
        interpolator.Interpolate(srcBuffer, dst, negative, H, W);
    };
    platform::RunParallel(tileRows * tileCols, interpolateTile, nullptr, nullptr);
}
