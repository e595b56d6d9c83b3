#pragma once
#include <string>
#include <vector>

#include "dng/dng_info.h"
#include "dng/dng_stream.h"
#include "platform/bitmap.h"

namespace pipeline {

// Index in info.fIFD of the preview the file browser shows, or -1: of the
// reduced-resolution images narrower than 500 pixels that are uncompressed,
// or JPEG from a model whose JPEG previews are shown, the widest (the first
// of equal widths).
int ChooseBrowserPreview(const dng_info& info, const std::string& modelText);

// The preview's data: each strip read at its own offset, one after the
// other; uncompressed tiles put in their places in the picture. Throws the
// layer's bad-format error for data outside the file.
std::vector<uint8> ReadPreviewData(dng_stream& stream, const dng_ifd& ifd);

// An uncompressed 8-bit preview drawn into a 24-bit bitmap of its size: three
// samples red, green, blue, or one grey sample for PhotometricInterpretation
// 1. False, with the bitmap untouched, when the data is too short.
bool DrawUncompressedPreview(const dng_ifd& ifd, const std::vector<uint8>& data, platform::Bitmap& bitmap);

}  // namespace pipeline
