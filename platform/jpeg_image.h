#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/file_error.h"

namespace platform {

// Thrown for anything the codec refuses: unreadable files, damaged or
// truncated data, pixel formats it cannot produce.
class JpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown when the file itself could not be opened or read.
class JpegFileError : public JpegError, public FileError {
public:
    JpegFileError(const std::string& path, const std::string& reason)
        : JpegError("Cannot read JPEG file " + path + ": " + reason), FileError(path, reason) {}
};

// A compressed JPEG held in memory. Loading reads only the header, so the
// size and pixel format are known before any pixel is decoded.
class JpegImage {
public:
    // What Decode() yields: grey for one-component files, B G R for YCbCr
    // and RGB files. CMYK, YCCK and other layouts decode to neither.
    enum class DecodedFormat { Grey8, Bgr24, Unsupported };

    void LoadFromFile(const std::string& path);
    void LoadFromMemory(const uint8_t* data, std::size_t size);

    // The most pixels the program takes on: a whole-photo result of this size stays within about
    // 2 GB. Larger pictures are refused from their header, before any pixel memory is taken.
    static constexpr int64_t kMaxPixels = 100000000;

    bool Empty() const { return data_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int64_t Pixels() const { return int64_t(width_) * height_; }
    DecodedFormat Format() const { return format_; }

    // A pf8bit or pf24bit bitmap of the whole picture.
    Bitmap Decode() const;

    // Replaces the held data with a baseline, three-component encoding of a
    // 24-bit bitmap at the given quality (1..100).
    void Compress(const Bitmap& bitmap, int quality);

    // The encoded bytes; callers write them out themselves, so that a file
    // appears complete or not at all.
    const std::vector<uint8_t>& Data() const { return data_; }

private:
    void ReadHeader();
    void Clear();

    std::vector<uint8_t> data_;
    int width_ = 0;
    int height_ = 0;
    DecodedFormat format_ = DecodedFormat::Unsupported;
};

}  // namespace platform
