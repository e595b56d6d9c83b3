#include "dng/dng_render.h"

#include <algorithm>
#include <cmath>

#include "dng/dng_exceptions.h"
#include "dng/dng_negative.h"
#include "dng/dng_render_task.h"
#include "dng/dng_resample.h"

dng_render::dng_render(dng_host& host, const dng_negative& negative)
    : fHost(host), fNegative(negative), fFinalSpace(&dng_space_sRGB::Get()) {
    // A profile's own tone curve takes the place of the default one.
    const dng_camera_profile* profile = negative.ProfileToEmbed();
    if (profile && profile->HasToneCurve() && profile->ToneCurve().IsValid()) fToneCurve = profile->ToneCurve();
}

void dng_render::SetFinalPixelType(uint32 pixelType) {
    if (pixelType != ttByte && pixelType != ttShort) ThrowProgramError("Render pixel type must be 8 or 16 bits");
    fFinalPixelType = pixelType;
}

dng_rect dng_render::DefaultCropArea() const {
    const dng_image* stage3 = fNegative.Stage3Image();
    if (!stage3) ThrowProgramError("No stage-3 image to render");
    const dng_rect bounds = stage3->Bounds();
    const auto place = [](real64 origin, real64 size, int32 low, int32 high, int32& first, int32& last) {
        const int32 extent = high - low;
        int32 n = static_cast<int32>(
            std::lround(std::isfinite(size) ? std::min(std::max(size, 1.0), real64(extent)) : extent));
        n = std::max(1, std::min(n, extent));
        int32 o = std::isfinite(origin) ? static_cast<int32>(std::lround(std::max(0.0, std::min(origin, 1e9)))) : 0;
        o = std::min(o, extent - n);
        first = low + o;
        last = first + n;
    };
    dng_rect area;
    place(fNegative.DefaultCropOriginV().As_real64() * fNegative.RawToFullScaleV(),
          fNegative.DefaultCropSizeV().IsValid()
              ? fNegative.DefaultCropSizeV().As_real64() * fNegative.RawToFullScaleV()
              : bounds.H(),
          bounds.t, bounds.b, area.t, area.b);
    place(fNegative.DefaultCropOriginH().As_real64() * fNegative.RawToFullScaleH(),
          fNegative.DefaultCropSizeH().IsValid()
              ? fNegative.DefaultCropSizeH().As_real64() * fNegative.RawToFullScaleH()
              : bounds.W(),
          bounds.l, bounds.r, area.l, area.r);
    return area;
}

dng_point dng_render::FinalSize() const {
    const dng_rect area = DefaultCropArea();
    const real64 scaleH = fNegative.DefaultScaleH().IsValid() ? fNegative.DefaultScaleH().As_real64() : 1.0;
    const real64 scaleV = fNegative.DefaultScaleV().IsValid() ? fNegative.DefaultScaleV().As_real64() : 1.0;
    real64 width = area.W() * (scaleH > 0.0 ? scaleH : 1.0);
    real64 height = area.H() * (scaleV > 0.0 ? scaleV : 1.0);
    const real64 longer = std::max(width, height);
    if (fMaximumSize != 0 && longer > fMaximumSize) {
        width *= fMaximumSize / longer;
        height *= fMaximumSize / longer;
    }
    const auto whole = [](real64 x) { return std::max<int32>(1, static_cast<int32>(x + 0.5)); };
    return dng_point(whole(height), whole(width));
}

AutoPtr<dng_image> dng_render::Render() {
    const dng_image& stage3 = *fNegative.Stage3Image();
    const dng_rect area = DefaultCropArea();
    const dng_point size = FinalSize();
    const dng_image* source = &stage3;
    dng_rect sourceArea = area;
    AutoPtr<dng_image> resampled;
    if (size != area.Size()) {
        resampled = fHost.Make_dng_image(dng_rect(uint32(size.v), uint32(size.h)), stage3.Planes(), stage3.PixelType());
        ResampleImage(fHost, stage3, *resampled, area, resampled->Bounds(), dng_resample_bicubic::Get());
        source = resampled.get();
        sourceArea = resampled->Bounds();
    }
    AutoPtr<dng_image> result = fHost.Make_dng_image(dng_rect(sourceArea.H(), sourceArea.W()), 3, fFinalPixelType);
    dng_render_task task(*source, *result, fNegative, *this, sourceArea.TL());
    task.Perform(fHost);
    return result;
}
