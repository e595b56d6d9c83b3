#pragma once
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dng/dng_host.h"
#include "dng/dng_image_preview.h"
#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"
#include "fixture_writer.h"

// Full path of a real test DNG, e.g. DngTestFile("canon_....dng").
std::string DngTestFile(const std::string& name);

// A test DNG: a real file of the test data, or the fixture when realFile is null.
struct DngSource {
    const char* name;
    const char* realFile;
    FixtureOptions fixture;

    std::vector<uint8_t> Bytes() const;
    // The real file's path, or the fixture written as `folder`/NAME.dng.
    std::string Path(const std::string& folder) const;
};
// Test names show the source's name, not its bytes.
inline void PrintTo(const DngSource& source, std::ostream* out) { *out << source.name; }

// A DNG read through the layer the way the program reads it.
struct LoadedDNG {
    explicit LoadedDNG(std::unique_ptr<dng_host> h) : ownedHost(std::move(h)), host(*ownedHost) {}
    std::unique_ptr<dng_host> ownedHost;
    dng_host& host;
    std::unique_ptr<dng_memory_stream> stream;
    dng_info info;
    std::unique_ptr<dng_negative> negative;
};

// Parses the bytes; with `readRaw` also reads stage 1 and validates its digest. `host` (a plain
// dng_host when null) makes the negative. Throws what the layer throws.
std::unique_ptr<LoadedDNG> LoadDNG(const std::vector<uint8_t>& bytes, bool readRaw = true,
                                   std::unique_ptr<dng_host> host = nullptr);
void BuildStages(LoadedDNG& dng);

// Plane `plane` of an 8- or 16-bit image, row-major.
std::vector<uint16_t> PlaneSamples(const dng_image& image, uint32_t plane);
// All samples interleaved (row, column, plane), as a raw image stores them.
std::vector<uint16_t> InterleavedSamples(const dng_image& image);

// A 16-bit image whose sample at (row, column, plane) is `value(row, column, plane)`.
AutoPtr<dng_image> MakeImage(dng_host& host, uint32 width, uint32 height, uint32 planes,
                             const std::function<uint16_t(uint32_t, uint32_t, uint32_t)>& value);

// An 8-bit three-plane preview with a simple pattern.
dng_image_preview MakeThumbnail(dng_host& host, uint32 width, uint32 height);
// The negative as the layer's writer writes it.
std::vector<uint8_t> WriteToBytes(dng_host& host, dng_negative& negative, const dng_image_preview& thumbnail);
