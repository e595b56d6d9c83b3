#pragma once
#include "dng/dng_host.h"
#include "dng/dng_ifd.h"

// Largest raw image the reader accepts, in samples.
constexpr uint64 kMaxRawSamples = uint64(1) << 29;

// Decodes the strips or tiles of `ifd` into `image` (16-bit, the directory's size and
// samples per pixel). Unsupported encodings and damaged data throw the bad-format error.
// `oldDiff16` reads 16-bit lossless JPEG differences as files older than DNG 1.1 store them.
void ReadRawImage(dng_host& host, const dng_ifd& ifd, dng_stream& stream, dng_image& image, bool oldDiff16);

// Throws the bad-format error when the reader cannot decode `ifd` (compression, sample
// format, depth, sizes against the file); called before any image memory is allocated.
void CheckRawImageReadable(const dng_ifd& ifd, dng_stream& stream);
