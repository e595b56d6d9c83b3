#include "dng_test_support.h"

#include "dng/dng_image_writer.h"
#include "dng/dng_read_negative.h"
#include "dng/dng_tile_buffer.h"
#include "tests/support/test_files.h"

std::string DngTestFile(const std::string& name) { return test_support::TestData("dng/" + name); }

std::vector<uint8_t> DngSource::Bytes() const {
    return realFile ? test_support::ReadFileBytes(DngTestFile(realFile)) : WriteFixtureDNG(fixture);
}

std::string DngSource::Path(const std::string& folder) const {
    if (realFile) return DngTestFile(realFile);
    const std::string path = folder + "/" + name + ".dng";
    test_support::WriteFileBytes(path, WriteFixtureDNG(fixture));
    return path;
}

std::unique_ptr<LoadedDNG> LoadDNG(const std::vector<uint8_t>& bytes, bool readRaw, std::unique_ptr<dng_host> host) {
    auto dng = std::make_unique<LoadedDNG>(host ? std::move(host) : std::make_unique<dng_host>());
    dng->stream = std::make_unique<dng_memory_stream>(bytes);
    dng->negative = ReadNegative(dng->host, *dng->stream, dng->info, readRaw);
    return dng;
}

void BuildStages(LoadedDNG& dng) {
    dng.negative->BuildStage2Image(dng.host, ttShort);
    dng.negative->BuildStage3Image(dng.host, -1);
}

std::vector<uint16_t> PlaneSamples(const dng_image& image, uint32_t plane) {
    const dng_rect bounds = image.Bounds();
    dng_const_tile_buffer buffer(image, bounds);
    std::vector<uint16_t> out;
    for (int32 r = bounds.t; r < bounds.b; ++r)
        for (int32 c = bounds.l; c < bounds.r; ++c)
            out.push_back(image.PixelType() == ttByte ? *buffer.ConstPixel_uint8(r, c, plane)
                                                      : *buffer.ConstPixel_uint16(r, c, plane));
    return out;
}

std::vector<uint16_t> InterleavedSamples(const dng_image& image) {
    std::vector<std::vector<uint16_t>> planes;
    for (uint32 p = 0; p < image.Planes(); ++p) planes.push_back(PlaneSamples(image, p));
    std::vector<uint16_t> out;
    for (size_t i = 0; i < planes[0].size(); ++i)
        for (const std::vector<uint16_t>& plane : planes) out.push_back(plane[i]);
    return out;
}

AutoPtr<dng_image> MakeImage(dng_host& host, uint32 width, uint32 height, uint32 planes,
                             const std::function<uint16_t(uint32_t, uint32_t, uint32_t)>& value) {
    AutoPtr<dng_image> image = host.Make_dng_image(dng_rect(height, width), planes, ttShort);
    dng_dirty_tile_buffer buffer(*image, image->Bounds());
    for (uint32 p = 0; p < planes; ++p)
        for (uint32 r = 0; r < height; ++r)
            for (uint32 c = 0; c < width; ++c) buffer.DirtyPixel_uint16(r, 0, p)[c] = value(r, c, p);
    return image;
}

dng_image_preview MakeThumbnail(dng_host& host, uint32 width, uint32 height) {
    dng_image_preview preview;
    preview.fImage = host.Make_dng_image(dng_rect(height, width), 3, ttByte);
    dng_dirty_tile_buffer buffer(*preview.fImage, preview.fImage->Bounds());
    for (uint32 p = 0; p < 3; ++p)
        for (uint32 r = 0; r < height; ++r)
            for (uint32 c = 0; c < width; ++c)
                static_cast<uint8*>(buffer.fData)[size_t(p) * buffer.fPlaneStep + size_t(r) * buffer.fRowStep + c] =
                    static_cast<uint8>(r * 7 + c * 3 + p * 50);
    preview.fInfo.fApplicationName = "Clarivane";
    preview.fInfo.fApplicationVersion = "Version 1.1.0";
    preview.fInfo.fSettingsName = "Default";
    preview.fInfo.fColorSpace = previewColorSpace_sRGB;
    return preview;
}

std::vector<uint8_t> WriteToBytes(dng_host& host, dng_negative& negative, const dng_image_preview& thumbnail) {
    dng_memory_stream stream;
    dng_image_writer().WriteDNG(host, stream, negative, thumbnail, 1);
    return stream.Data();
}
