#pragma once
#include <memory>
#include <string>

#include "dng/dng_host.h"
#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"

// A DNG read through the layer up to its stage-3 image, as the program opens one.
struct OpenedNegative {
    std::unique_ptr<dng_file_stream> stream;
    dng_info info;
    std::unique_ptr<dng_negative> negative;
};

// Parses `path` and, with `readRaw`, reads and checks its raw image.
// Throws dng_exception for a file the layer refuses.
void OpenNegative(dng_host& host, const std::string& path, OpenedNegative& opened, bool readRaw);
// The same with the raw image read, then stages 2 and 3 built.
void OpenNegativeToStage3(dng_host& host, const std::string& path, OpenedNegative& opened);
