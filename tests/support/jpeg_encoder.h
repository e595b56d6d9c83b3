#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/bitmap.h"

struct jpeg_compress_struct;

namespace test_support {

// Encodes `bitmap` (24-bit or 8-bit grey) as a JPEG file with libjpeg's default
// settings; `tune`, when given, changes them before compression starts (quality,
// a scan script, arithmetic coding). Returns the file's bytes; the settings
// `tune` points at must outlive the call.
std::vector<uint8_t> EncodeJpeg(const platform::Bitmap& bitmap,
                                const std::function<void(jpeg_compress_struct&)>& tune = {});

}  // namespace test_support
