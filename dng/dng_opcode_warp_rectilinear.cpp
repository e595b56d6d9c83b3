#include "dng/dng_opcode_warp_rectilinear.h"

#include <algorithm>
#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng/dng_negative.h"
#include "dng/dng_resample.h"
#include "dng/dng_tile_buffer.h"

namespace {

constexpr int32 kFractionSteps = 32;

// 4-tap bicubic weights (in 1/16384) for each of the 32 fraction steps.
struct WarpWeights {
    int32 w[kFractionSteps][4];
    WarpWeights() {
        const dng_resample_bicubic& kernel = dng_resample_bicubic::Get();
        for (int32 step = 0; step < kFractionSteps; ++step) {
            const real64 f = real64(step) / kFractionSteps;
            real64 raw[4];
            for (int32 k = 0; k < 4; ++k) raw[k] = kernel.Evaluate(k - 1 - f);
            RoundResampleWeights(raw, 4, w[step]);
        }
    }
};

}  // namespace

void dng_opcode::Apply(dng_host&, dng_negative&, AutoPtr<dng_image>&) const {
    ThrowNotYetImplemented("Opcode " + std::to_string(OpcodeID()) + " is not applied by this layer");
}

dng_warp_rectilinear_geometry::dng_warp_rectilinear_geometry(const dng_opcode_WarpRectilinear& warp,
                                                             const dng_rect& bounds, real64 pixelAspect)
    : fWarp(warp) {
    if (!(pixelAspect > 0.0) || !std::isfinite(pixelAspect)) pixelAspect = 1.0;
    fSquash = 1.0 / pixelAspect;
    fCenterH = bounds.l + warp.fCenterH * (bounds.r - bounds.l);
    fCenterV = bounds.t + warp.fCenterV * (bounds.b - bounds.t);
    // The largest radius is measured on the image as it looks with square pixels.
    const real64 squashedHeight = std::round(fSquash * (bounds.b - bounds.t));
    const real64 centreV = bounds.t + warp.fCenterV * squashedHeight;
    real64 maxDistance = 0.0;
    for (real64 v : {real64(bounds.t), bounds.t + squashedHeight})
        for (real64 h : {real64(bounds.l), real64(bounds.r)})
            maxDistance = std::max(maxDistance, std::hypot(h - fCenterH, v - centreV));
    fMaxDistance = maxDistance > 0.0 ? maxDistance : 1.0;
}

void dng_warp_rectilinear_geometry::SourcePosition(uint32 plane, real64 row, real64 col, real64& srcRow,
                                                   real64& srcCol) const {
    const dng_opcode_WarpRectilinear::Plane& k = fWarp.fPlanes[plane < fWarp.fPlanes.size() ? plane : 0];
    const real64 dh = (col - fCenterH) / fMaxDistance;
    const real64 dv = (row - fCenterV) / fMaxDistance;
    const real64 dvs = fSquash * dv;
    const real64 r2 = std::min(dh * dh + dvs * dvs, 1.0);
    const real64 ratio = k.kr[0] + r2 * (k.kr[1] + r2 * (k.kr[2] + r2 * k.kr[3]));
    const real64 th = k.kt[1] * (r2 + 2.0 * dh * dh) + 2.0 * k.kt[0] * dh * dvs;
    const real64 tv = k.kt[0] * (r2 + 2.0 * dvs * dvs) + 2.0 * k.kt[1] * dh * dvs;
    srcCol = fCenterH + fMaxDistance * (dh * ratio + th);
    srcRow = fCenterV + fMaxDistance * (dv * ratio + tv / fSquash);
}

namespace {

// Splits a source position into its whole pixel and the nearest fraction step of its weights, both
// in range for any input: far-off positions only ever read the edge, a NaN reads the first pixel,
// and a fraction that rounds up to a whole pixel (a hair below it, or 31.5 steps and more) moves on
// to the next one.
int32 SampleStep(real64 position, int32 low, int32 high, int32& whole) {
    if (!(position >= low - 4.0)) position = low - 4.0;
    if (!(position <= high + 4.0)) position = high + 4.0;
    const real64 floor = std::floor(position);
    whole = static_cast<int32>(floor);
    const int32 step = static_cast<int32>(std::lround((position - floor) * kFractionSteps));
    if (step < kFractionSteps) return step;
    ++whole;
    return 0;
}

// Every destination pixel sampled bicubically at its warped source position.
void WarpImage(dng_host& host, const dng_warp_rectilinear_geometry& geometry, const dng_image& srcImage,
               dng_image& dstImage) {
    static const WarpWeights weights;
    const dng_rect bounds = srcImage.Bounds();
    dng_const_tile_buffer src(srcImage, bounds);
    dng_dirty_tile_buffer dst(dstImage, bounds);
    for (uint32 plane = 0; plane < srcImage.Planes(); ++plane) {
        for (int32 row = bounds.t; row < bounds.b; ++row) {
            if ((row & 15) == 0) host.SniffForAbort();
            uint16* out = dst.DirtyPixel_uint16(row, bounds.l, plane);
            for (int32 col = bounds.l; col < bounds.r; ++col) {
                real64 sv, sh;
                geometry.SourcePosition(plane, row, col, sv, sh);
                int32 iv, ih;
                const int32* wv = weights.w[SampleStep(sv, bounds.t, bounds.b, iv)];
                const int32* wh = weights.w[SampleStep(sh, bounds.l, bounds.r, ih)];
                int64 sum = 0;
                for (int32 i = 0; i < 4; ++i) {
                    const int32 r = std::min(std::max(iv - 1 + i, bounds.t), bounds.b - 1);
                    const uint16* line = src.ConstPixel_uint16(r, bounds.l, plane);
                    int64 across = 0;
                    for (int32 j = 0; j < 4; ++j) {
                        const int32 c = std::min(std::max(ih - 1 + j, bounds.l), bounds.r - 1);
                        across += int64(wh[j]) * line[c - bounds.l];
                    }
                    sum += int64(wv[i]) * across;
                }
                const int64 value = (sum + (int64(1) << 27)) >> 28;
                out[col - bounds.l] = static_cast<uint16>(std::min<int64>(std::max<int64>(value, 0), 65535));
            }
        }
    }
}

}  // namespace

void dng_opcode_WarpRectilinear::Apply(dng_host& host, dng_negative& negative, AutoPtr<dng_image>& image) const {
    if (!image) ThrowProgramError("No image to warp");
    if (image->PixelType() != ttShort) ThrowProgramError("Pixel type access mismatch");
    const dng_rect bounds = image->Bounds();
    const real64 scaleH = negative.DefaultScaleH().As_real64() / negative.RawToFullScaleH();
    const real64 scaleV = negative.DefaultScaleV().As_real64() / negative.RawToFullScaleV();
    const dng_warp_rectilinear_geometry geometry(*this, bounds, scaleV > 0.0 ? scaleH / scaleV : 1.0);

    AutoPtr<dng_image> result = host.Make_dng_image(bounds, image->Planes(), image->PixelType());
    WarpImage(host, geometry, *image, *result);
    image = std::move(result);
}
