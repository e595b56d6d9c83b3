#include "tiff_edits.h"

#include <algorithm>
#include <stdexcept>

namespace test_support {
namespace {

constexpr uint16_t kUniqueCameraModelTag = 50708;
constexpr uint16_t kAsciiType = 2;
constexpr uint16_t kShortType = 3;

struct TiffReader {
    const std::vector<uint8_t>& bytes;
    bool bigEndian;

    uint32_t At(std::size_t offset, int size) const {
        if (offset + size > bytes.size()) throw std::invalid_argument("TIFF structure runs past the end");
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const uint32_t byte = bytes[offset + (bigEndian ? i : size - 1 - i)];
            value = (value << 8) | byte;
        }
        return value;
    }

    // Offset of IFD 0's entry for `tag`, or 0.
    std::size_t Ifd0Entry(uint16_t tag) const {
        const uint32_t ifd0 = At(4, 4);
        const uint32_t entries = At(ifd0, 2);
        for (uint32_t i = 0; i < entries; ++i) {
            const std::size_t entry = ifd0 + 2 + std::size_t(i) * 12;
            if (At(entry, 2) == tag) return entry;
        }
        return 0;
    }
};

TiffReader ReaderOf(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 8 || (bytes[0] != bytes[1]) || (bytes[0] != 'I' && bytes[0] != 'M'))
        throw std::invalid_argument("not a TIFF file");
    return TiffReader{bytes, bytes[0] == 'M'};
}

}  // namespace

std::vector<uint8_t> WithUniqueCameraModel(std::vector<uint8_t> bytes, const std::string& model) {
    const TiffReader tiff = ReaderOf(bytes);
    const std::size_t entry = tiff.Ifd0Entry(kUniqueCameraModelTag);
    if (!entry) throw std::invalid_argument("no UniqueCameraModel in IFD 0");
    if (tiff.At(entry + 2, 2) != kAsciiType) throw std::invalid_argument("UniqueCameraModel is not ASCII");
    const uint32_t count = tiff.At(entry + 4, 4);
    const std::size_t value = count <= 4 ? entry + 8 : tiff.At(entry + 8, 4);
    // The name needs room for at least one terminating NUL.
    if (model.size() + 1 > count || value + count > bytes.size())
        throw std::invalid_argument("new model name does not fit");
    std::fill(bytes.begin() + long(value), bytes.begin() + long(value + count), 0);
    std::copy(model.begin(), model.end(), bytes.begin() + long(value));
    return bytes;
}

std::vector<uint8_t> WithIfd0Short(std::vector<uint8_t> bytes, uint16_t tag, uint16_t value) {
    const TiffReader tiff = ReaderOf(bytes);
    const std::size_t entry = tiff.Ifd0Entry(tag);
    if (!entry || tiff.At(entry + 2, 2) != kShortType || tiff.At(entry + 4, 4) != 1)
        throw std::invalid_argument("no single SHORT of that tag in IFD 0");
    const bool big = tiff.bigEndian;
    bytes[entry + 8] = uint8_t(big ? value >> 8 : value & 0xFF);
    bytes[entry + 9] = uint8_t(big ? value & 0xFF : value >> 8);
    return bytes;
}

}  // namespace test_support
