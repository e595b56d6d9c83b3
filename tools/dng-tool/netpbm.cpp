#include "netpbm.h"

#include <cstdio>
#include <vector>

#include "dng/dng_tile_buffer.h"

bool WriteNetpbm16(const dng_image& image, const std::string& path, bool colour) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const dng_rect bounds = image.Bounds();
    const uint32 channels = colour ? 3 : 1;
    std::fprintf(file, "%s\n%u %u\n65535\n", colour ? "P6" : "P5", bounds.W(), bounds.H());
    dng_const_tile_buffer buffer(image, bounds);
    std::vector<uint8> row(size_t(bounds.W()) * channels * 2);
    bool ok = true;
    for (int32 r = bounds.t; r < bounds.b && ok; ++r) {
        for (uint32 ch = 0; ch < channels; ++ch) {
            const uint32 plane = ch < image.Planes() ? ch : 0;
            const uint16* s = buffer.ConstPixel_uint16(r, bounds.l, plane);
            for (uint32 c = 0; c < bounds.W(); ++c) {
                row[(size_t(c) * channels + ch) * 2] = static_cast<uint8>(s[c] >> 8);
                row[(size_t(c) * channels + ch) * 2 + 1] = static_cast<uint8>(s[c]);
            }
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}
