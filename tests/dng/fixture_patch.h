#pragma once
// Reading and patching the directories of a written DNG, to damage it in place.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fixture_patch {

using Bytes = std::vector<uint8_t>;

// Numbers in the file's own byte order ("II" or "MM" at its start).
inline bool BigEndian(const Bytes& b) { return b.size() >= 2 && b[0] == 'M'; }
inline uint32_t Get16(const Bytes& b, size_t i) {
    return BigEndian(b) ? uint32_t(b[i]) << 8 | b[i + 1] : uint32_t(b[i + 1]) << 8 | b[i];
}
inline uint32_t Get32(const Bytes& b, size_t i) {
    return BigEndian(b) ? Get16(b, i) << 16 | Get16(b, i + 2) : Get16(b, i + 2) << 16 | Get16(b, i);
}
inline void Put16(Bytes& b, size_t at, uint32_t v) {
    const bool big = BigEndian(b);
    b[at + (big ? 0 : 1)] = uint8_t(v >> 8);
    b[at + (big ? 1 : 0)] = uint8_t(v);
}
inline void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at + (BigEndian(b) ? 0 : 2), v >> 16);
    Put16(b, at + (BigEndian(b) ? 2 : 0), v & 0xFFFF);
}

// Offset of the 12-byte entry of `tag` in IFD 0 or its sub-IFDs; the first one found.
inline size_t EntryOf(const Bytes& b, uint16_t tag) {
    std::vector<uint32_t> dirs = {Get32(b, 4)};
    for (size_t d = 0; d < dirs.size(); ++d)
        for (uint32_t i = 0, count = Get16(b, dirs[d]); i < count; ++i) {
            const size_t entry = dirs[d] + 2 + 12 * i;
            const uint32_t code = Get16(b, entry);
            if (code == tag) return entry;
            if (code != 330) continue;
            // One sub-IFD offset sits in the entry, several in an array it points at.
            const uint32_t subs = Get32(b, entry + 4);
            for (uint32_t k = 0; k < subs; ++k)
                dirs.push_back(Get32(b, subs == 1 ? entry + 8 : Get32(b, entry + 8) + 4 * k));
        }
    ADD_FAILURE() << "tag " << tag << " not found";
    return 0;
}
// Offset of the value (or value offset) field of `tag`'s entry.
inline size_t ValueOf(const Bytes& b, uint16_t tag) { return EntryOf(b, tag) + 8; }

// Offset of the first JPEG `marker` in the first raw strip or tile (tag 273 or 324, LONG).
inline size_t Marker(const Bytes& b, uint16_t dataTag, uint8_t marker) {
    const size_t entry = EntryOf(b, dataTag);
    // Several offsets lie in an array the value field points at.
    size_t i = Get32(b, Get32(b, entry + 4) == 1 ? entry + 8 : Get32(b, entry + 8));
    while (!(b[i] == 0xFF && b[i + 1] == marker)) ++i;
    return i;
}

}  // namespace fixture_patch
