#pragma once
#include <string>
#include <vector>

#include "dng/dng_rational.h"
#include "dng/dng_types.h"

// One image file directory being written: entries kept sorted by tag, values
// in little-endian ("II") order. Values longer than four bytes follow the entry
// table, each padded to an even length.
class dng_tiff_directory {
public:
    struct Entry {
        uint16 code;
        uint16 type;
        uint32 count;
        std::vector<uint8> bytes;
    };

    // Adds or replaces the entry of `code`.
    void Add(uint16 code, uint16 type, uint32 count, std::vector<uint8> bytes);
    void AddShort(uint16 code, uint16 value) { AddShorts(code, {value}); }
    void AddShorts(uint16 code, const std::vector<uint16>& values);
    void AddLong(uint16 code, uint32 value) { AddLongs(code, {value}); }
    void AddLongs(uint16 code, const std::vector<uint32>& values);
    void AddRationals(uint16 code, const std::vector<dng_urational>& values);
    void AddSRationals(uint16 code, const std::vector<dng_srational>& values);
    // NUL-terminated text; nothing is added for an empty string.
    void AddAscii(uint16 code, const std::string& text);
    void AddBytes(uint16 code, const std::vector<uint8>& bytes, uint16 type = 1);
    void AddFloats(uint16 code, const std::vector<real32>& values);
    void AddDoubles(uint16 code, const std::vector<real64>& values);

    const std::vector<Entry>& Entries() const { return fEntries; }

    // Bytes the directory takes at any offset: count, entries, next link and out-of-line values.
    uint32 Size() const;
    // Appends the directory, placed at file offset `offset`, to `out`.
    void Serialize(std::vector<uint8>& out, uint32 offset) const;

private:
    std::vector<Entry> fEntries;
};

// Appends `x` in little-endian order.
void AppendLE32(std::vector<uint8>& out, uint32 x);
