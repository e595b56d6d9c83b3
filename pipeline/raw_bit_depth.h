#pragma once

class dng_info;

namespace pipeline {

// Whether the raw image of the parsed file has 8-bit samples, judged by the first
// bits-per-sample value of IFD number 1 (the first sub-IFD, where the supported
// cameras keep it). A file without that IFD counts as not 8-bit.
bool HasEightBitRaw(const dng_info& info);

}  // namespace pipeline
