#include "libraw_values.h"

#include <libraw/libraw.h>

std::vector<uint16_t> LibRawValues(const std::string& path, uint32_t* width, uint32_t* height) {
    LibRaw raw;
    std::vector<uint16_t> out;
    if (raw.open_file(path.c_str()) != LIBRAW_SUCCESS || raw.unpack() != LIBRAW_SUCCESS) return out;
    const uint16_t* data = raw.imgdata.rawdata.raw_image;
    const uint32_t w = raw.imgdata.sizes.raw_width, h = raw.imgdata.sizes.raw_height;
    const size_t pitch = raw.imgdata.sizes.raw_pitch / 2;
    if (width) *width = w;
    if (height) *height = h;
    for (uint32_t r = 0; data && r < h; ++r) out.insert(out.end(), data + r * pitch, data + r * pitch + w);
    return out;
}
