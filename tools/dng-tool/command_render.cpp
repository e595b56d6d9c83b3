// dng-tool render: stage 3 through the layer's colour render into an 8-bit PPM.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dng/dng_exceptions.h"
#include "dng/dng_render.h"
#include "dng/dng_tile_buffer.h"
#include "open_negative.h"
#include "render_write_commands.h"

namespace {

bool WritePPM8(const dng_image& image, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fprintf(file, "P6\n%u %u\n255\n", image.Width(), image.Height());
    dng_const_tile_buffer buffer(image, image.Bounds());
    std::string row(size_t(image.Width()) * 3, '\0');
    bool ok = true;
    for (int32 r = image.Bounds().t; r < image.Bounds().b && ok; ++r) {
        for (uint32 p = 0; p < 3; ++p) {
            const uint8* s = buffer.ConstPixel_uint8(r, image.Bounds().l, p);
            for (uint32 c = 0; c < image.Width(); ++c) row[size_t(c) * 3 + p] = static_cast<char>(s[c]);
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

const dng_color_space* SpaceNamed(const std::string& name) {
    if (name == "srgb") return &dng_space_sRGB::Get();
    if (name == "adobergb") return &dng_space_AdobeRGB::Get();
    if (name == "colormatch") return &dng_space_ColorMatch::Get();
    if (name == "prophoto") return &dng_space_ProPhoto::Get();
    return nullptr;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: dng-tool render FILE OUT.ppm [--space srgb|adobergb|colormatch|prophoto] [--max-size N]\n");
    return 1;
}

}  // namespace

int RunRenderCommand(int argc, char** argv) {
    if (argc < 4) return Usage();
    const dng_color_space* space = &dng_space_sRGB::Get();
    uint32 maxSize = 0;
    for (int i = 4; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return Usage();
        if (option == "--space") {
            space = SpaceNamed(argv[i + 1]);
            if (!space) return Usage();
        } else if (option == "--max-size") {
            char* end = nullptr;
            const unsigned long n = std::strtoul(argv[i + 1], &end, 10);
            if (!end || *end != '\0' || n == 0 || n > 100000) return Usage();
            maxSize = static_cast<uint32>(n);
        } else {
            return Usage();
        }
    }
    try {
        dng_host host;
        OpenedNegative opened;
        OpenNegativeToStage3(host, argv[2], opened);
        dng_render render(host, *opened.negative);
        render.SetFinalSpace(*space);
        render.SetFinalPixelType(ttByte);
        render.SetMaximumSize(maxSize);
        AutoPtr<dng_image> image = render.Render();
        if (!WritePPM8(*image, argv[3])) {
            std::fprintf(stderr, "cannot write %s\n", argv[3]);
            return 1;
        }
        return 0;
    } catch (const dng_exception& e) {
        std::fprintf(stderr, "refused: %s (error %d)\n", e.what(), static_cast<int>(e.ErrorCode()));
        return 2;
    }
}
