#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dng/dng_stream.h"
#include "pipeline/jpgexif.h"

namespace pipeline {
namespace {

constexpr int kAPP0 = 0xE0;
constexpr int kAPP1 = 0xE1;
constexpr int kAPP2 = 0xE2;

// Each APP2 segment of a profile: "ICC_PROFILE" with its zero, its place (from 1) and the
// number of segments, then a piece of the profile.
constexpr char kProfileTag[] = "ICC_PROFILE";
constexpr std::size_t kProfileTagSize = sizeof kProfileTag;
constexpr std::size_t kSegmentHeaderSize = kProfileTagSize + 2;

// The profile's own header, which every profile has whole.
constexpr std::size_t kProfileHeaderSize = 128;
constexpr std::size_t kDataColourSpaceAt = 16;
constexpr std::size_t kSignatureAt = 36;

bool IsProfileSection(const JPGSection& s) {
    return s.type == kAPP2 && s.size >= int(2 + kProfileTagSize) &&
           std::memcmp(s.data.get() + 2, kProfileTag, kProfileTagSize) == 0;
}

// Where the leading SOI and APP0/APP1 sections of a whole JPEG end; 0 when it does not start
// with SOI.
std::size_t HeaderEnd(const std::vector<uint8_t>& jpeg) {
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return 0;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && (jpeg[at + 1] == kAPP0 || jpeg[at + 1] == kAPP1)) {
        const std::size_t next = at + 2 + std::size_t((jpeg[at + 2] << 8) | jpeg[at + 3]);
        if (next > jpeg.size()) break;
        at = next;
    }
    return at;
}

}  // namespace

std::vector<int> JPGExif::RgbProfileSections() const {
    std::vector<int> found;
    for (int i = 0; i < MarkerSectionCount(); ++i)
        if (IsProfileSection(sections[i])) found.push_back(i);
    if (found.empty()) return {};

    // Every place from 1 to the count once, each segment naming the same count; the file may
    // hold them in any order.
    std::vector<const JPGSection*> byPlace(found.size(), nullptr);
    for (const int i : found) {
        const JPGSection& s = sections[i];
        if (s.size < int(2 + kSegmentHeaderSize)) return {};
        const std::size_t place = s.data[2 + kProfileTagSize];
        const std::size_t count = s.data[2 + kProfileTagSize + 1];
        if (count != found.size() || place < 1 || place > count || byPlace[place - 1]) return {};
        byPlace[place - 1] = &s;
    }

    // The profile's header may be spread over the first segments.
    uint8_t header[kProfileHeaderSize];
    std::size_t headerBytes = 0, profileBytes = 0;
    for (const JPGSection* s : byPlace) {
        const uint8_t* piece = s->data.get() + 2 + kSegmentHeaderSize;
        const std::size_t pieceBytes = std::size_t(s->size) - 2 - kSegmentHeaderSize;
        const std::size_t taken = std::min(pieceBytes, kProfileHeaderSize - headerBytes);
        std::memcpy(header + headerBytes, piece, taken);
        headerBytes += taken;
        profileBytes += pieceBytes;
    }
    if (headerBytes < kProfileHeaderSize) return {};
    const std::size_t declared =
        std::size_t(header[0]) << 24 | std::size_t(header[1]) << 16 | std::size_t(header[2]) << 8 | header[3];
    if (declared < kProfileHeaderSize || declared > profileBytes ||
        std::memcmp(header + kSignatureAt, "acsp", 4) != 0)
        return {};
    // The saved pixels are always three colour components: a grey or CMYK profile would
    // misdescribe them.
    if (std::memcmp(header + kDataColourSpaceAt, "RGB ", 4) != 0) return {};
    return found;
}

int JPGExif::LeadingHeaderSections() const {
    int count = 0;
    while (count < MarkerSectionCount() && (sections[count].type == kAPP0 || sections[count].type == kAPP1)) ++count;
    return count;
}

void JPGExif::PutSections(dng_stream& out, const std::vector<int>& indexes) const {
    for (const int i : indexes) {
        const uint8_t marker[2] = {0xFF, uint8_t(sections[i].type & 0xFF)};
        out.Put(marker, 2);
        out.Put(sections[i].data.get(), uint64_t(sections[i].size));
    }
}

void JPGExif::PutEncodedWithProfile(dng_stream& out, const std::vector<uint8_t>& encoded) const {
    const std::vector<int> profile = RgbProfileSections();
    const std::size_t at = profile.empty() ? 0 : HeaderEnd(encoded);
    out.Put(encoded.data(), at);
    if (at > 0) PutSections(out, profile);
    out.Put(encoded.data() + at, encoded.size() - at);
}

}  // namespace pipeline
