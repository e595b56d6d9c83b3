#pragma once
#include "dng/dng_opcode_list.h"
#include "dng/dng_render.h"

// The render of the 320-pixel sRGB thumbnail that every written DNG carries:
// always 8-bit, three planes, longer side 320, whatever the base's settings.
class TWKRender : public dng_render {
public:
    static constexpr int32 kLongerSide = 320;

    TWKRender(dng_host& host, const dng_negative& negative) : dng_render(host, negative) {}
    ~TWKRender() override;

    // (height, width) for a default crop of cropH x cropV with the default scales.
    static dng_point ThumbnailSize(real64 cropH, real64 cropV, real64 scaleH, real64 scaleV);

    // A new thumbnail image owned by the caller; a WarpRectilinear `opcode` is
    // applied to the downsized image, any other is not. Layer errors pass on.
    AutoPtr<dng_image> RenderWithOpcode(dng_host& host, dng_negative& negative, const dng_opcode& opcode);
    AutoPtr<dng_image> RenderPlain(dng_host& host, dng_negative& negative);

private:
    AutoPtr<dng_image> RenderThumbnail(dng_host& host, dng_negative& negative, const dng_opcode* opcode);
};
