#include "dng/dng_tiff_directory.h"

#include <algorithm>
#include <cstring>

#include "dng/dng_exceptions.h"

void AppendLE32(std::vector<uint8>& out, uint32 x) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8>(x >> shift));
}

namespace {

void AppendLE16(std::vector<uint8>& out, uint16 x) {
    out.push_back(static_cast<uint8>(x));
    out.push_back(static_cast<uint8>(x >> 8));
}

void AppendLE64(std::vector<uint8>& out, uint64 x) {
    for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<uint8>(x >> shift));
}

}  // namespace

void dng_tiff_directory::Add(uint16 code, uint16 type, uint32 count, std::vector<uint8> bytes) {
    auto it =
        std::lower_bound(fEntries.begin(), fEntries.end(), code, [](const Entry& e, uint16 c) { return e.code < c; });
    Entry entry{code, type, count, std::move(bytes)};
    if (it != fEntries.end() && it->code == code)
        *it = std::move(entry);
    else
        fEntries.insert(it, std::move(entry));
}

void dng_tiff_directory::AddShorts(uint16 code, const std::vector<uint16>& values) {
    std::vector<uint8> bytes;
    for (uint16 v : values) AppendLE16(bytes, v);
    const uint32 count = static_cast<uint32>(values.size());
    Add(code, 3, count, std::move(bytes));
}

void dng_tiff_directory::AddLongs(uint16 code, const std::vector<uint32>& values) {
    std::vector<uint8> bytes;
    for (uint32 v : values) AppendLE32(bytes, v);
    const uint32 count = static_cast<uint32>(values.size());
    Add(code, 4, count, std::move(bytes));
}

void dng_tiff_directory::AddRationals(uint16 code, const std::vector<dng_urational>& values) {
    std::vector<uint8> bytes;
    for (const dng_urational& v : values) AppendLE32(bytes, v.n), AppendLE32(bytes, v.d);
    const uint32 count = static_cast<uint32>(values.size());
    Add(code, 5, count, std::move(bytes));
}

void dng_tiff_directory::AddSRationals(uint16 code, const std::vector<dng_srational>& values) {
    std::vector<uint8> bytes;
    for (const dng_srational& v : values)
        AppendLE32(bytes, static_cast<uint32>(v.n)), AppendLE32(bytes, static_cast<uint32>(v.d));
    const uint32 count = static_cast<uint32>(values.size());
    Add(code, 10, count, std::move(bytes));
}

void dng_tiff_directory::AddAscii(uint16 code, const std::string& text) {
    if (text.empty()) return;
    std::vector<uint8> bytes(text.begin(), text.end());
    bytes.push_back(0);
    const uint32 count = static_cast<uint32>(bytes.size());
    Add(code, 2, count, std::move(bytes));
}

void dng_tiff_directory::AddBytes(uint16 code, const std::vector<uint8>& bytes, uint16 type) {
    Add(code, type, static_cast<uint32>(bytes.size()), bytes);
}

void dng_tiff_directory::AddFloats(uint16 code, const std::vector<real32>& values) {
    std::vector<uint8> bytes;
    for (real32 v : values) {
        uint32 bits;
        std::memcpy(&bits, &v, 4);
        AppendLE32(bytes, bits);
    }
    const uint32 count = static_cast<uint32>(values.size());
    Add(code, 11, count, std::move(bytes));
}

void dng_tiff_directory::AddDoubles(uint16 code, const std::vector<real64>& values) {
    std::vector<uint8> bytes;
    for (real64 v : values) {
        uint64 bits;
        std::memcpy(&bits, &v, 8);
        AppendLE64(bytes, bits);
    }
    const uint32 count = static_cast<uint32>(values.size());
    Add(code, 12, count, std::move(bytes));
}

uint32 dng_tiff_directory::Size() const {
    uint64 size = 2 + 12 * uint64(fEntries.size()) + 4;
    for (const Entry& e : fEntries)
        if (e.bytes.size() > 4) size += (e.bytes.size() + 1) & ~uint64(1);
    if (size > 0xFFFFFFFFu) ThrowImageTooBigDNG();
    return static_cast<uint32>(size);
}

void dng_tiff_directory::Serialize(std::vector<uint8>& out, uint32 offset) const {
    const size_t start = out.size();
    AppendLE16(out, static_cast<uint16>(fEntries.size()));
    uint32 valueOffset = offset + 2 + 12 * static_cast<uint32>(fEntries.size()) + 4;
    for (const Entry& e : fEntries) {
        AppendLE16(out, e.code);
        AppendLE16(out, e.type);
        AppendLE32(out, e.count);
        if (e.bytes.size() <= 4) {
            std::vector<uint8> inlineValue(e.bytes);
            inlineValue.resize(4, 0);
            out.insert(out.end(), inlineValue.begin(), inlineValue.end());
        } else {
            AppendLE32(out, valueOffset);
            valueOffset += static_cast<uint32>((e.bytes.size() + 1) & ~size_t(1));
        }
    }
    AppendLE32(out, 0);
    for (const Entry& e : fEntries) {
        if (e.bytes.size() <= 4) continue;
        out.insert(out.end(), e.bytes.begin(), e.bytes.end());
        if (e.bytes.size() & 1) out.push_back(0);
    }
    if (out.size() - start != Size()) ThrowProgramError("Directory size mismatch");
}
