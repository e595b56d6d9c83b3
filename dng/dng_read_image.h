#pragma once
#include "dng/dng_host.h"
#include "dng/dng_ifd.h"

// Largest raw image the reader accepts, in samples.
constexpr uint64 kMaxRawSamples = uint64(1) << 29;

// Decodes the strips or tiles of `ifd` into a new 16-bit image of the directory's size and
// samples per pixel. Unsupported encodings and damaged data throw the bad-format error before
// any image memory is allocated, as far as the directory and the file length tell.
// `oldDiff16` reads 16-bit lossless JPEG differences as files older than DNG 1.1 store them.
AutoPtr<dng_image> ReadRawImage(dng_host& host, const dng_ifd& ifd, dng_stream& stream, bool oldDiff16);
