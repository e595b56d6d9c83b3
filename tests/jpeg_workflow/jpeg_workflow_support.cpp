#include "jpeg_workflow_support.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>

#include "tests/support/jpeg_encoder.h"
#include "tests/support/test_files.h"

namespace jpeg_workflow_test {

Bitmap ColourPattern(int width, int height) {
    Bitmap bitmap(width, height, PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        uint8_t* line = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            line[3 * x] = uint8_t((x * 3 + y * 7) & 0xFF);        // blue
            line[3 * x + 1] = uint8_t((x * x + 5 * y) & 0xFF);    // green
            line[3 * x + 2] = uint8_t((11 * y + x / 2) & 0xFF);   // red
        }
    }
    return bitmap;
}

Bitmap GreyPattern(int width, int height) {
    Bitmap bitmap(width, height, PixelFormat::pf8bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.ScanLine(y)[x] = uint8_t((x * 5 + y * y) & 0xFF);
    return bitmap;
}

Bytes EncodeJpeg(const Bitmap& bitmap, int quality) {
    return test_support::EncodeJpeg(bitmap, [&](jpeg_compress_struct& c) { jpeg_set_quality(&c, quality, TRUE); });
}

namespace {

// libjpeg's decompressor over a file's bytes, with the header read; `keepProfile`
// also keeps the APP2 segments for the colour profile.
struct HeaderRead {
    HeaderRead(const std::string& path, bool keepProfile) : bytes(test_support::ReadFileBytes(path)) {
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        if (keepProfile) jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
        jpeg_read_header(&cinfo, TRUE);
    }
    ~HeaderRead() { jpeg_destroy_decompress(&cinfo); }
    HeaderRead(const HeaderRead&) = delete;
    HeaderRead& operator=(const HeaderRead&) = delete;

    const Bytes bytes;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
};

}  // namespace

Decoded DecodeWithLibjpeg(const std::string& path) {
    HeaderRead read(path, false);
    jpeg_decompress_struct& cinfo = read.cinfo;
    Decoded out;
    out.components = cinfo.num_components;
    const bool grey = cinfo.num_components == 1;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    out.pixels = Bitmap(out.width, out.height, grey ? PixelFormat::pf8bit : PixelFormat::pf24bit);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.pixels.ScanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return out;
}

Bytes IccProfileOf(const std::string& path) {
    HeaderRead read(path, true);
    JOCTET* data = nullptr;
    unsigned int size = 0;
    Bytes profile;
    if (jpeg_read_icc_profile(&read.cinfo, &data, &size)) profile.assign(data, data + size);
    std::free(data);
    return profile;
}

std::string PutFile(const std::string& folder, const std::string& name, const Bytes& bytes) {
    const std::string path = folder + "/" + name;
    test_support::WriteFileBytes(path, bytes);
    return path;
}

Difference Compare(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format())
        throw std::invalid_argument("bitmaps differ in size or format");
    Difference d;
    double sum = 0;
    const int rowBytes = a.Width() * a.BytesPerPixel();
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < rowBytes; ++i) {
            const int diff = std::abs(int(a.ScanLine(y)[i]) - int(b.ScanLine(y)[i]));
            d.largest = std::max(d.largest, diff);
            sum += diff;
        }
    d.mean = rowBytes > 0 && a.Height() > 0 ? sum / (double(rowBytes) * a.Height()) : 0;
    return d;
}

void DrawLineKernel(pipeline::HeadlessWindow& window, int length, bool alongRows) {
    window.grid.Clear(false);
    for (int i = 0; i < length; ++i) {
        const int along = 50 - length / 2 + i;
        window.grid.ClickCell(alongRows ? along : 50, alongRows ? 50 : along, false, 0x008000);
    }
}

std::string ExifBlock(const std::string& path) {
    return test_support::RunCommand("exiftool -b -EXIF '" + path + "' 2>/dev/null");
}

std::vector<std::string> MessageTexts(const pipeline::HeadlessWindow& window) {
    std::vector<std::string> texts;
    for (const auto& m : window.messages) texts.push_back(m.text);
    return texts;
}

}  // namespace jpeg_workflow_test
