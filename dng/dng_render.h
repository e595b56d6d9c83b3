#pragma once
#include "dng/dng_color_space.h"
#include "dng/dng_host.h"
#include "dng/dng_image.h"
#include "dng/dng_tone_curve.h"
#include "dng/dng_xy_coord.h"

class dng_negative;

// Settings of a render of a negative's stage-3 image, and the plain render itself.
class dng_render {
public:
    dng_render(dng_host& host, const dng_negative& negative);
    virtual ~dng_render() = default;
    dng_render(const dng_render&) = delete;
    dng_render& operator=(const dng_render&) = delete;

    // White to balance to; unset (invalid) means the negative's as-shot white.
    void SetWhiteXY(const dng_xy_coord& white) { fWhiteXY = white; }
    const dng_xy_coord& WhiteXY() const { return fWhiteXY; }
    // Exposure in stops, added to the negative's baseline exposure.
    void SetExposure(real64 exposure) { fExposure = exposure; }
    real64 Exposure() const { return fExposure; }
    // Black point in thousandths of the white.
    void SetShadows(real64 shadows) { fShadows = shadows; }
    real64 Shadows() const { return fShadows; }
    // A custom curve; without one (no points) the default film-like curve is used.
    void SetToneCurve(const dng_tone_curve& curve) { fToneCurve = curve; }
    const dng_tone_curve& ToneCurve() const { return fToneCurve; }
    void SetFinalSpace(const dng_color_space& space) { fFinalSpace = &space; }
    const dng_color_space& FinalSpace() const { return *fFinalSpace; }
    // ttByte or ttShort.
    void SetFinalPixelType(uint32 pixelType);
    // Longer side of the result in pixels; 0 for the negative's full default size.
    void SetMaximumSize(uint32 size) { fMaximumSize = size; }
    uint32 MaximumSize() const { return fMaximumSize; }

    // The default crop of the stage-3 image, in stage-3 pixels, kept inside the image.
    dng_rect DefaultCropArea() const;
    // Size of the result (height, width): the crop at its default scale, the longer side
    // limited to the maximum size with the aspect kept.
    dng_point FinalSize() const;

    // Renders the default crop of the stage-3 image, resampled to FinalSize() when that differs,
    // into a new three-plane image of the final pixel type.
    virtual AutoPtr<dng_image> Render();

protected:
    dng_host& fHost;
    const dng_negative& fNegative;

private:
    dng_xy_coord fWhiteXY;
    real64 fExposure = 0.0;
    real64 fShadows = 5.0;
    dng_tone_curve fToneCurve;
    const dng_color_space* fFinalSpace;
    uint32 fFinalPixelType = ttByte;
    uint32 fMaximumSize = 0;
};
