#pragma once
#include <memory>
#include <string>
#include <vector>

#include "dng/dng_host.h"
#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"

std::string TestDataPath(const std::string& name);

// A file read the way the program reads it: info, negative, stage 1.
struct LoadedDNG {
    dng_host host;
    std::unique_ptr<dng_memory_stream> stream;
    dng_info info;
    std::unique_ptr<dng_negative> negative;
};

// Parses the bytes; with `readRaw` also reads and validates stage 1. Throws what the layer throws.
std::unique_ptr<LoadedDNG> LoadDNG(const std::vector<uint8_t>& bytes, bool readRaw = true);
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// Plane `plane` of a 16-bit image, row-major.
std::vector<uint16_t> PlaneSamples(const dng_image& image, uint32_t plane);
