#pragma once
#include <memory>

#include "dng/dng_host.h"
#include "dng/dng_info.h"
#include "dng/dng_negative.h"
#include "dng/dng_stream.h"

// Reads the DNG in `stream` into `info` and a new negative from the host's factory: the directory
// parse, the negative's parse and, with `readRaw`, its stage-1 image, digest check and metadata
// synchronisation. A file that is not a valid DNG throws the bad-format error with the reason.
std::unique_ptr<dng_negative> ReadNegative(dng_host& host, dng_stream& stream, dng_info& info, bool readRaw);
