#include "test_encoder.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

std::vector<uint8_t> EncodeForTest(const platform::Bitmap& bitmap, const TestEncoding& how) {
    const bool grey = bitmap.Format() == platform::PixelFormat::pf8bit;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(bitmap.Width());
    cinfo.image_height = JDIMENSION(bitmap.Height());
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, how.quality, TRUE);
    if (!grey) {
        cinfo.comp_info[0].h_samp_factor = how.lumaH;
        cinfo.comp_info[0].v_samp_factor = how.lumaV;
    }
    if (how.progressive) jpeg_simple_progression(&cinfo);
    std::vector<jpeg_scan_info> scans;
    if (how.acRefinements >= 0) {
        scans.push_back({cinfo.num_components, {0, 1, 2, 3}, 0, 0, 0, 0});
        for (int c = 0; c < cinfo.num_components; ++c)
            for (int k = 1; k < 64; ++k)
                for (int al = how.acRefinements; al >= 0; --al) {
                    const int ah = al == how.acRefinements ? 0 : al + 1;
                    scans.push_back({1, {c, 0, 0, 0}, k, k, ah, al});
                }
        cinfo.scan_info = scans.data();
        cinfo.num_scans = int(scans.size());
    }
    cinfo.restart_in_rows = how.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(bitmap.ScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

platform::Bitmap GradientBitmap(int width, int height, platform::PixelFormat format) {
    platform::Bitmap bmp(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int r = x * 255 / (width > 1 ? width - 1 : 1);
            const int g = y * 255 / (height > 1 ? height - 1 : 1);
            const int b = (r + g) / 2;
            bmp.SetPixel(x, y, platform::RGBColor(uint8_t(r), uint8_t(g), uint8_t(b)));
        }
    return bmp;
}
