#include "write_test_support.h"

#include <dirent.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "dng/dng_image_writer.h"
#include "dng/dng_tile_buffer.h"

std::string TestFile(const std::string& name) { return std::string(CLARIVANE_TESTDATA) + "/dng/" + name; }

std::unique_ptr<ReadBack> ReadDNG(const std::vector<uint8_t>& bytes, bool readRaw) {
    auto dng = std::make_unique<ReadBack>();
    dng->stream = std::make_unique<dng_memory_stream>(bytes);
    dng->info.Parse(dng->host, *dng->stream);
    dng->info.PostParse(dng->host);
    if (!dng->info.IsValidDNG()) throw std::runtime_error("not a valid DNG: " + dng->info.ValidityFault());
    dng->negative = dng->host.Make_dng_negative();
    dng->negative->Parse(dng->host, *dng->stream, dng->info);
    dng->negative->PostParse(dng->host, *dng->stream, dng->info);
    if (readRaw) {
        dng->negative->ReadStage1Image(dng->host, *dng->stream, dng->info);
        dng->negative->ValidateRawImageDigest(dng->host);
        dng->negative->SynchronizeMetadata();
    }
    return dng;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void BuildStages(ReadBack& dng) {
    dng.negative->BuildStage2Image(dng.host, ttShort);
    dng.negative->BuildStage3Image(dng.host, -1);
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

std::vector<uint16_t> Samples(const dng_image& image, uint32_t plane) {
    dng_const_tile_buffer buffer(image, image.Bounds());
    std::vector<uint16_t> out;
    out.reserve(size_t(image.Width()) * image.Height());
    for (int32 r = image.Bounds().t; r < image.Bounds().b; ++r)
        for (int32 c = image.Bounds().l; c < image.Bounds().r; ++c)
            out.push_back(image.PixelType() == ttByte
                              ? *(buffer.ConstPixel_uint8(r, image.Bounds().l, plane) + (c - image.Bounds().l))
                              : buffer.ConstPixel_uint16(r, image.Bounds().l, plane)[c - image.Bounds().l]);
    return out;
}

std::vector<uint16_t> InterleavedSamples(const dng_image& image) {
    std::vector<std::vector<uint16_t>> planes;
    for (uint32 p = 0; p < image.Planes(); ++p) planes.push_back(Samples(image, p));
    std::vector<uint16_t> out;
    for (size_t i = 0; i < planes[0].size(); ++i)
        for (uint32 p = 0; p < image.Planes(); ++p) out.push_back(planes[p][i]);
    return out;
}

TempFolder::TempFolder() {
    std::string pattern = "/tmp/dng-write-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(dir);
    }
    return names;
}

std::string RunCommand(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("popen failed");
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), n);
    const int rc = ::pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}
