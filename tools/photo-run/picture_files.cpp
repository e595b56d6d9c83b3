#include "picture_files.h"

#include <fstream>
#include <vector>

#include "dng/dng_tile_buffer.h"

namespace photorun {

bool WritePpm(const platform::Bitmap& bitmap, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    if (!out) return false;
    out << "P6\n" << bitmap.Width() << ' ' << bitmap.Height() << "\n255\n";
    const bool colour = bitmap.Format() == platform::PixelFormat::pf24bit;
    std::vector<char> row(std::size_t(bitmap.Width()) * 3);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* line = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            char* rgb = &row[std::size_t(x) * 3];
            if (colour) {
                rgb[0] = char(line[3 * x + 2]);
                rgb[1] = char(line[3 * x + 1]);
                rgb[2] = char(line[3 * x]);
            } else {
                rgb[0] = rgb[1] = rgb[2] = char(line[x]);
            }
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
    return bool(out);
}

platform::Bitmap CropCopy(const platform::Bitmap& preview, int left, int top, int span) {
    platform::Bitmap patch(span, span, platform::PixelFormat::pf24bit);
    const bool grey = preview.Format() == platform::PixelFormat::pf8bit;
    for (int y = 0; y < span; ++y) {
        const int row = top + y;
        if (row < 0 || row >= preview.Height()) continue;
        const uint8_t* from = preview.ScanLine(row);
        uint8_t* to = patch.ScanLine(y);
        for (int x = 0; x < span; ++x) {
            const int col = left + x;
            if (col < 0 || col >= preview.Width()) continue;
            for (int b = 0; b < 3; ++b) to[3 * x + b] = grey ? from[col] : from[3 * col + b];
        }
    }
    return patch;
}

platform::Bitmap BitmapOfImage(const dng_image& image) {
    const dng_rect bounds = image.Bounds();
    platform::Bitmap bitmap(int(bounds.W()), int(bounds.H()), platform::PixelFormat::pf24bit);
    const dng_const_tile_buffer buffer(image, bounds);
    const uint32 planes = image.Planes();
    for (int32 r = 0; r < int32(bounds.H()); ++r) {
        uint8_t* line = bitmap.ScanLine(r);
        for (int32 c = 0; c < int32(bounds.W()); ++c) {
            for (uint32 p = 0; p < 3; ++p) {
                const uint8 v = *buffer.ConstPixel_uint8(bounds.t + r, bounds.l + c, planes >= 3 ? p : 0);
                line[3 * c + 2 - p] = v;
            }
        }
    }
    return bitmap;
}

}  // namespace photorun
