#pragma once
#include <memory>
#include <string>
#include <vector>

#include "dng/dng_host.h"
#include "dng/dng_image_preview.h"
#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"

std::string TestFile(const std::string& name);

// A DNG read through the layer from bytes: parsed, and with `readRaw` stage 1 read and its
// digest validated.
struct ReadBack {
    dng_host host;
    std::unique_ptr<dng_memory_stream> stream;
    dng_info info;
    std::unique_ptr<dng_negative> negative;
};
std::unique_ptr<ReadBack> ReadDNG(const std::vector<uint8_t>& bytes, bool readRaw = true);
std::vector<uint8_t> FileBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Stage 1, 2, 3 built from a loaded negative.
void BuildStages(ReadBack& dng);

// An 8-bit three-plane preview of the given size with a simple pattern.
dng_image_preview MakeThumbnail(dng_host& host, uint32 width, uint32 height);
// The negative written by the layer's writer, as bytes.
std::vector<uint8_t> WriteToBytes(dng_host& host, dng_negative& negative, const dng_image_preview& thumbnail);

// Plane `plane` of a 16- or 8-bit image, row-major.
std::vector<uint16_t> Samples(const dng_image& image, uint32_t plane);
// All samples interleaved (row, column, plane), as a stage-1 raw image holds them.
std::vector<uint16_t> InterleavedSamples(const dng_image& image);

// A fresh empty folder under the system's temporary folder, removed with its content at the end.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};
std::vector<std::string> FolderEntries(const std::string& folder);

// Output of a shell command (stdout), and its exit status.
std::string RunCommand(const std::string& command, int* status = nullptr);
