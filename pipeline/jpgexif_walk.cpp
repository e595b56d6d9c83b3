#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstring>

#include "dng/dng_exceptions.h"
#include "pipeline/jpgexif.h"

namespace pipeline {
namespace {

constexpr int kMaxLevel = 4;

// The nesting limit alone still lets a damaged block fan out: a directory of
// thousands of entries that all point at another such directory. A real
// block has half a dozen directories.
constexpr int kMaxDirectoriesPerBlock = 64;

// A next-directory link less than this far beyond the block's end is
// ignored without a message; only one further out is reported.
constexpr uint64_t kLinkSlack = 20;

constexpr unsigned kFormatSize[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

int TruncateToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= double(INT_MAX)) return INT_MAX;
    if (v <= double(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

float ToFloat(double v) {
    if (v > double(FLT_MAX)) return FLT_MAX;
    if (v < -double(FLT_MAX)) return -FLT_MAX;
    return static_cast<float>(v);
}

// Tags whose values are converted on the walk (and so checked for a format
// that converts) but not kept.
bool IsCheckedValueTag(unsigned tag) {
    switch (tag) {
        case 0x829A: case 0x829D: case 0x8822: case 0x8827: case 0x9201: case 0x9202:
        case 0x9204: case 0x9205: case 0x9206: case 0x9207: case 0x9208: case 0x9209:
        case 0x920A: case 0xA002: case 0xA003: case 0xA20E: case 0xA210: case 0xA215:
        case 0xA402: case 0xA403: case 0xA404: case 0xA405: case 0xA40C: case 0x0201:
        case 0x0202:
            return true;
        default:
            return false;
    }
}

}  // namespace

double JPGExif::ConvertAnyFormat(dng_byte_view value, int format) {
    switch (format) {
        case 1: return value.U8(0);
        case 6: return static_cast<int8_t>(value.U8(0));
        case 3: return value.U16(0);
        case 8: return static_cast<int16_t>(value.U16(0));
        case 4: return value.U32(0);
        case 9: return static_cast<int32_t>(value.U32(0));
        case 5: {
            const uint32_t den = value.U32(4);
            return den == 0 ? 0.0 : double(value.U32(0)) / double(den);
        }
        case 10: {
            const int32_t den = static_cast<int32_t>(value.U32(4));
            return den == 0 ? 0.0 : double(static_cast<int32_t>(value.U32(0))) / double(den);
        }
        case 11: {
            // Floats follow the block's byte order like every other number.
            const uint32_t bits = value.U32(0);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        case 12: {
            const uint64_t first = value.U32(0);
            const uint64_t second = value.U32(4);
            const uint64_t bits = value.BigEndian() ? (first << 32) | second : (second << 32) | first;
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        default:
            ShowError("Illegal format code in Exif header");
            return 0;
    }
}

void JPGExif::ParseExif(const uint8_t* data, unsigned length) {
    orientationCount = 0;
    const dng_byte_view section(data, length);
    // Every header field is checked for being inside the section before it
    // is read: a short APP1 ends the walk with the message of that field.
    if (!section.Matches(2, "Exif\0\0", 6)) {
        ShowError("Incorrect exif header");
        return;
    }
    if (section.Matches(8, "II", 2)) {
        motorolaOrder = false;
    } else if (section.Matches(8, "MM", 2)) {
        motorolaOrder = true;
    } else {
        ShowError("Invalid Exif alignment marker");
        return;
    }
    const dng_byte_view block = section.From(8).WithOrder(motorolaOrder ? dng_byte_order::big : dng_byte_order::little);
    if (length < 12 || block.U16(2) != 0x2A) {
        ShowError("Invalid Exif start (1)");
        return;
    }
    if (length < 16) {
        ShowError("Invalid offset for first Exif IFD value");
        return;
    }
    const uint32_t offset = block.U32(4);
    if (offset < 8 || offset > 16) {
        if (offset < 8 || uint64_t(offset) + 16 > length) {
            ShowError("Invalid offset for first Exif IFD value");
            return;
        }
        ShowError("Suspicious offset of first Exif IFD value");
    }
    // Offsets up to 16 pass unchecked above; the directory must still fit.
    if (offset > block.Size()) {
        ShowError("Illegally sized Exif subdirectory");
        return;
    }
    try {
        ParseExifDirectory(block, offset, 0);
    } catch (const dng_exception&) {
        // A read the walk's own checks let through ends it like a short directory.
        ShowError("Illegally sized Exif subdirectory");
    }
}

void JPGExif::ParseExifDirectory(dng_byte_view block, uint64_t at, int level) {
    if (level > kMaxLevel) {
        ShowError("Maximum Exif directory nesting exceeded (corrupt Exif header)");
        return;
    }
    if (level == 0) {
        directoriesWalked_ = 0;
        walkCutShort_ = false;
    }
    if (directoriesWalked_ >= kMaxDirectoriesPerBlock) {
        if (!walkCutShort_) ShowError("Maximum Exif directory nesting exceeded (corrupt Exif header)");
        walkCutShort_ = true;
        return;
    }
    ++directoriesWalked_;

    const uint64_t blockLength = block.Size();
    if (!block.Contains(at, 2)) {
        ShowError("Illegally sized Exif subdirectory");
        return;
    }
    const unsigned count = block.U16(at);
    const uint64_t end = at + 2 + 12 * uint64_t(count);
    if (end + 4 > blockLength && end + 2 != blockLength && end != blockLength) {
        ShowError("Illegally sized Exif subdirectory");
        return;
    }
    for (unsigned i = 0; i < count; ++i) ParseExifEntry(block, block.Sub(at + 2 + 12 * uint64_t(i), 12), level);

    if (end + 4 > blockLength) return;
    const uint32_t link = block.U32(end);
    if (link == 0) return;
    if (link <= blockLength)
        ParseExifDirectory(block, link, level + 1);
    else if (uint64_t(link) - blockLength >= kLinkSlack)
        ShowError("Illegal subdirectory link in Exif header");
}

void JPGExif::ParseExifEntry(dng_byte_view block, dng_byte_view entry, int level) {
    const uint64_t blockLength = block.Size();
    const unsigned tag = entry.U16(0);
    const unsigned format = entry.U16(2);
    const uint32_t components = entry.U32(4);
    if (format < 1 || format > 12) {
        ShowError("Illegal number format for tag %04x in Exif");
        return;
    }
    if (components > 65536) {
        ShowError("Too many components");
        return;
    }
    const uint64_t byteCount = uint64_t(components) * kFormatSize[format];
    dng_byte_view value = entry.From(8);
    if (byteCount > 4) {
        const uint32_t offset = entry.U32(8);
        if (uint64_t(offset) + byteCount > blockLength) {
            ShowError("Illegal value pointer for tag %04x in Exif");
            return;
        }
        value = block.Sub(offset, byteCount);
    }
    // Without a component there is no value to read: the four value bytes
    // of the entry may be all that is left of the block.
    const bool hasValue = components > 0;

    switch (tag) {
        case 0x011A:
            if (level != 0 || !hasValue) break;
            xResolution = ToFloat(ConvertAnyFormat(value, int(format)));
            if (yResolution == 0) yResolution = xResolution;
            break;
        case 0x011B:
            if (level != 0 || !hasValue) break;
            yResolution = ToFloat(ConvertAnyFormat(value, int(format)));
            if (xResolution == 0) xResolution = yResolution;
            break;
        case 0x0128:
            if (level != 0 || !hasValue) break;
            resolutionUnit = TruncateToInt(ConvertAnyFormat(value, int(format)));
            break;
        case 0x0112:
            if (!hasValue) break;
            if (orientationCount >= 2) {
                ShowError("More than two orientation in Exif");
                break;
            }
            if (orientationCount == 0) orientation = TruncateToInt(ConvertAnyFormat(value, int(format)));
            if (orientation < 0 || orientation > 8) ShowError("Undefined rotation value");
            ++orientationCount;
            break;
        case 0x0132:
        case 0x9003:
        case 0x9004:
            if (dateTagCount >= 10)
                ShowError("Too many date fields in Exif");
            else
                ++dateTagCount;
            break;
        case 0x8769:
        case 0xA005: {
            const uint32_t link = entry.U32(8);
            if (link > blockLength)
                ShowError("Illegal Exif or interop ofset directory link");
            else
                ParseExifDirectory(block, link, level + 1);
            break;
        }
        case 0x8825:
            if (entry.U32(8) > blockLength) ShowError("Illegal GPS directory link in Exif");
            break;
        default:
            if (hasValue && IsCheckedValueTag(tag)) ConvertAnyFormat(value, int(format));
            break;
    }
}

}  // namespace pipeline
