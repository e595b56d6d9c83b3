// libFuzzer entry: a file goes through what the file browser does with a
// selected DNG (directory parse, preview choice, preview read and drawing or
// JPEG decoding); it may be refused, never crash.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "dng/dng_host.h"
#include "pipeline/browser_preview.h"
#include "platform/jpeg_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        dng_memory_stream stream(std::vector<uint8>(data, data + size));
        dng_host host;
        dng_info info;
        info.Parse(host, stream);
        info.PostParse(host);
        if (!info.IsValidDNG()) return 0;
        const std::string model = info.fShared ? info.fShared->fUniqueCameraModel : std::string();
        // Every model's JPEG previews are tried, so the decoder sees them too.
        for (const std::string& asModel : {model, std::string("Leica S2")}) {
            const int chosen = pipeline::ChooseBrowserPreview(info, asModel);
            if (chosen < 0) continue;
            const dng_ifd& ifd = *info.fIFD[std::size_t(chosen)];
            const std::vector<uint8> preview = pipeline::ReadPreviewData(stream, ifd);
            platform::Bitmap bitmap;
            if (ifd.fCompression == 7) {
                platform::JpegImage jpeg;
                jpeg.LoadFromMemory(preview.data(), preview.size());
                bitmap = jpeg.Decode();
            } else {
                pipeline::DrawUncompressedPreview(ifd, preview, bitmap);
            }
        }
    } catch (const std::exception&) {
    }
    return 0;
}
