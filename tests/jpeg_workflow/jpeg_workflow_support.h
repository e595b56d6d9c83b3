#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "platform/bitmap.h"

namespace jpeg_workflow_test {

using Bytes = std::vector<uint8_t>;
using platform::Bitmap;
using platform::PixelFormat;

// Plane indexes of DNGConvert::Planes.
constexpr int kGreen = 0;
constexpr int kRed = 1;
constexpr int kBlue = 2;

// A 24-bit picture whose three channels follow different patterns of row and
// column, so swapped channels, mirrored rows or shifted columns all show.
Bitmap ColourPattern(int width, int height);
// An 8-bit picture of the same kind.
Bitmap GreyPattern(int width, int height);

// Baseline encodings by libjpeg: three components from a 24-bit bitmap, one
// component from an 8-bit one, at the given quality.
Bytes EncodeJpeg(const Bitmap& bitmap, int quality = 95);

// What libjpeg itself reads from a file: size, components and the decoded
// pixels (B, G, R rows top-down, or grey).
struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    Bitmap pixels;
};
Decoded DecodeWithLibjpeg(const std::string& path);
// The ICC profile libjpeg puts together from a file's APP2 segments; empty when there is none or
// its segments do not fit together.
Bytes IccProfileOf(const std::string& path);

// Writes `bytes` to `folder`/`name` and returns the path.
std::string PutFile(const std::string& folder, const std::string& name, const Bytes& bytes);

// Largest absolute difference and mean absolute difference of two bitmaps of the same size and format.
struct Difference {
    int largest = 0;
    double mean = 0;
};
Difference Compare(const Bitmap& a, const Bitmap& b);

// The headless window with a line kernel of `length` cells through the grid's centre on its grid,
// along the rows or across them.
void DrawLineKernel(pipeline::HeadlessWindow& window, int length, bool alongRows = true);

// The EXIF block of a file as exiftool extracts it (the TIFF structure), empty when there is none.
std::string ExifBlock(const std::string& path);

// Texts of the message boxes shown so far.
std::vector<std::string> MessageTexts(const pipeline::HeadlessWindow& window);

}  // namespace jpeg_workflow_test
