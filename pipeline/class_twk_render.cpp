#include "pipeline/class_twk_render.h"

#include <algorithm>

#include "dng/dng_exceptions.h"
#include "dng/dng_negative.h"
#include "dng/dng_render_task.h"
#include "dng/dng_resample.h"

TWKRender::~TWKRender() = default;

dng_point TWKRender::ThumbnailSize(real64 cropH, real64 cropV, real64 scaleH, real64 scaleV) {
    const real64 aspect = cropH / (cropV * scaleV / scaleH);
    const auto nearest = [](real64 x) { return x > 0.0 ? static_cast<int32>(x + 0.5) : 0; };
    if (!(aspect > 0.0)) ThrowBadFormat("Default crop or scale is not positive");
    if (aspect >= 1.0) return dng_point(std::max(1, nearest(kLongerSide / aspect)), kLongerSide);
    return dng_point(kLongerSide, std::max(1, nearest(kLongerSide * aspect)));
}

AutoPtr<dng_image> TWKRender::RenderWithOpcode(dng_host& host, dng_negative& negative, const dng_opcode& opcode) {
    return RenderThumbnail(host, negative, &opcode);
}

AutoPtr<dng_image> TWKRender::RenderPlain(dng_host& host, dng_negative& negative) {
    return RenderThumbnail(host, negative, nullptr);
}

AutoPtr<dng_image> TWKRender::RenderThumbnail(dng_host& host, dng_negative& negative, const dng_opcode* opcode) {
    const dng_image* stage3 = negative.Stage3Image();
    if (!stage3) ThrowProgramError("No stage-3 image to render");
    const dng_rect crop = DefaultCropArea();
    const auto ratio = [](const dng_urational& r) { return r.IsValid() ? r.As_real64() : 1.0; };
    const dng_point size =
        ThumbnailSize(crop.W(), crop.H(), ratio(negative.DefaultScaleH()), ratio(negative.DefaultScaleV()));

    const dng_image* source = stage3;
    dng_rect sourceArea = crop;
    AutoPtr<dng_image> small;
    if (crop.Size() != size) {
        small = host.Make_dng_image(dng_rect(uint32(size.v), uint32(size.h)), stage3->Planes(), stage3->PixelType());
        ResampleImage(host, *stage3, *small, crop, small->Bounds(), dng_resample_bicubic::Get());
        if (opcode && opcode->OpcodeID() == dngOpcode_WarpRectilinear) opcode->Apply(host, negative, small);
        source = small.get();
        sourceArea = small->Bounds();
    }
    AutoPtr<dng_image> thumbnail = host.Make_dng_image(dng_rect(sourceArea.H(), sourceArea.W()), 3, ttByte);
    dng_render_task task(*source, *thumbnail, negative, *this, sourceArea.TL());
    task.Perform(host);
    return thumbnail;
}
