// dng-tool write: a round trip through the layer, as the program saves a DNG.
#include <algorithm>
#include <cstdio>
#include <string>

#include "dng/dng_exceptions.h"
#include "dng/dng_image_writer.h"
#include "dng/dng_render.h"
#include "dng/dng_render_task.h"
#include "dng/dng_resample.h"
#include "open_negative.h"
#include "render_write_commands.h"

namespace {

// Thumbnail size: the longer side is `longerSide` (also for a smaller photo), the other keeps
// the aspect of the default crop at its default scale.
dng_point ThumbnailSize(const dng_negative& negative, uint32 longerSide) {
    const real64 cropH = negative.DefaultCropSizeH().As_real64(), cropV = negative.DefaultCropSizeV().As_real64();
    const real64 scaleH = negative.DefaultScaleH().As_real64(), scaleV = negative.DefaultScaleV().As_real64();
    const real64 aspect = cropV > 0 && scaleH > 0 && scaleV > 0 ? cropH / (cropV * scaleV / scaleH) : 1.0;
    const auto nearest = [](real64 x) { return std::max<int32>(1, x > 0 ? static_cast<int32>(x + 0.5) : 0); };
    if (aspect >= 1.0) return dng_point(nearest(longerSide / aspect), int32(longerSide));
    return dng_point(int32(longerSide), nearest(longerSide * aspect));
}

// The saved DNG's thumbnail as the program makes it: the default crop scaled to
// ThumbnailSize, warped when the third opcode list starts with WarpRectilinear, then
// rendered to 8-bit sRGB.
AutoPtr<dng_image> RenderThumbnail(dng_host& host, dng_negative& negative, uint32 longerSide) {
    dng_render render(host, negative);
    render.SetFinalSpace(dng_space_sRGB::Get());
    render.SetFinalPixelType(ttByte);
    const dng_image& stage3 = *negative.Stage3Image();
    const dng_rect area = render.DefaultCropArea();
    const dng_point size = ThumbnailSize(negative, longerSide);
    AutoPtr<dng_image> small = host.Make_dng_image(dng_rect(uint32(size.v), uint32(size.h)), stage3.Planes(), ttShort);
    ResampleImage(host, stage3, *small, area, small->Bounds(), dng_resample_bicubic::Get());
    const dng_opcode_list& list3 = negative.OpcodeList3();
    if (list3.NotEmpty() && list3.Entry(0).OpcodeID() == dngOpcode_WarpRectilinear)
        list3.Entry(0).Apply(host, negative, small);
    AutoPtr<dng_image> thumbnail = host.Make_dng_image(small->Bounds(), 3, ttByte);
    dng_render_task task(*small, *thumbnail, negative, render, dng_point(0, 0));
    task.Perform(host);
    return thumbnail;
}

}  // namespace

int RunWriteCommand(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: dng-tool write FILE OUT.dng\n");
        return 1;
    }
    try {
        dng_host host;
        OpenedNegative opened;
        OpenNegativeToStage3(host, argv[2], opened);
        dng_negative& negative = *opened.negative;

        dng_image_preview thumbnail;
        thumbnail.fImage = RenderThumbnail(host, negative, 320);
        thumbnail.fInfo.fApplicationName = "dng-tool";
        thumbnail.fInfo.fApplicationVersion = "1";
        thumbnail.fInfo.fSettingsName = "Default";
        thumbnail.fInfo.fColorSpace = previewColorSpace_sRGB;

        // The stage builds released the raw image: read it again from the file, as the program
        // does before saving (its digest was checked on opening), and let the writer compute the
        // digest anew.
        const dng_fingerprint sourceDigest = negative.RawImageDigest();
        opened.stream->SetReadPosition(0);
        negative.ReadStage1Image(host, *opened.stream, opened.info);
        negative.ClearRawImageDigest();

        dng_image_writer writer;
        writer.WriteDNGFile(host, argv[3], negative, thumbnail);
        std::printf("raw_image_digest: %s\n", negative.RawImageDigest().ToHex().c_str());
        if (!sourceDigest.IsNull())
            std::printf("source_digest_matches: %s\n", sourceDigest == negative.RawImageDigest() ? "yes" : "no");
        return 0;
    } catch (const dng_exception& e) {
        std::fprintf(stderr, "refused: %s (error %d)\n", e.what(), static_cast<int>(e.ErrorCode()));
        return 2;
    }
}
