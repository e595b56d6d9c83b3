#include "test_support.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "dng/dng_exceptions.h"
#include "dng/dng_tile_buffer.h"

std::string TestDataPath(const std::string& name) { return std::string(CLARIVANE_TESTDATA) + "/dng/" + name; }

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<LoadedDNG> LoadDNG(const std::vector<uint8_t>& bytes, bool readRaw) {
    auto loaded = std::make_unique<LoadedDNG>();
    loaded->stream = std::make_unique<dng_memory_stream>(bytes.data(), bytes.size());
    loaded->info.Parse(loaded->host, *loaded->stream);
    loaded->info.PostParse(loaded->host);
    if (!loaded->info.IsValidDNG()) ThrowBadFormat("not a valid DNG: " + loaded->info.ValidityFault());
    loaded->negative = loaded->host.Make_dng_negative();
    loaded->negative->Parse(loaded->host, *loaded->stream, loaded->info);
    loaded->negative->PostParse(loaded->host, *loaded->stream, loaded->info);
    if (readRaw) {
        loaded->negative->ReadStage1Image(loaded->host, *loaded->stream, loaded->info);
        loaded->negative->ValidateRawImageDigest(loaded->host);
    }
    return loaded;
}

std::vector<uint16_t> PlaneSamples(const dng_image& image, uint32_t plane) {
    const dng_rect bounds = image.Bounds();
    dng_const_tile_buffer buffer(image, bounds);
    std::vector<uint16_t> out;
    out.reserve(size_t(bounds.W()) * bounds.H());
    for (int32 r = bounds.t; r < bounds.b; ++r) {
        const uint16_t* row = buffer.ConstPixel_uint16(r, bounds.l, plane);
        out.insert(out.end(), row, row + bounds.W());
    }
    return out;
}
