#pragma once
#include <functional>
#include <string>

#include "dng/dng_stream.h"

// Writes a file so that it appears complete or not at all: `write` fills a stream on a
// temporary file in the target's folder, which is flushed to disk and renamed over `path`
// only when `write` returned normally. On any failure the temporary file is removed and
// the error passes on; an existing file at `path` stays untouched.
void WriteFileReplacing(const std::string& path, const std::function<void(dng_stream&)>& write);
