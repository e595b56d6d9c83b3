#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Builds TIFF blocks as EXIF carries them, in either byte order, so tests can
// lay out directories, values and links exactly where they want them.
class ExifBuilder {
public:
    struct Entry {
        uint16_t tag, format;
        uint32_t count;
        std::vector<uint32_t> numbers;  // one per component, two per rational
        bool raw = false;               // write `field` as the value field instead
        uint32_t field = 0;
    };
    static Entry Short(uint16_t tag, uint16_t v) { return {tag, 3, 1, {v}}; }
    static Entry Long(uint16_t tag, uint32_t v) { return {tag, 4, 1, {v}}; }
    static Entry Rational(uint16_t tag, uint32_t num, uint32_t den) { return {tag, 5, 1, {num, den}}; }
    static Entry Date(uint16_t tag) { return {tag, 2, 20, std::vector<uint32_t>(20, '1')}; }
    static Entry Field(uint16_t tag, uint16_t fmt, uint32_t n, uint32_t v) { return {tag, fmt, n, {}, true, v}; }

    // Starts a block with its 8-byte header; the first directory offset is 8.
    explicit ExifBuilder(bool motorola) : motorola_(motorola), tiff_(2, motorola ? 'M' : 'I') {
        Put(tiff_, 0x2A, 2);
        Put(tiff_, 8, 4);
    }

    // Appends a directory (count, entries, next link) followed by the values
    // that do not fit into their entries; returns its offset.
    uint32_t AddDirectory(const std::vector<Entry>& entries, uint32_t next = 0) {
        const uint32_t dir = Size();
        Bytes data;
        Put(tiff_, uint32_t(entries.size()), 2);
        for (const Entry& e : entries) {
            Put(tiff_, e.tag, 2);
            Put(tiff_, e.format, 2);
            Put(tiff_, e.count, 4);
            Bytes value;
            for (uint32_t n : e.numbers) Put(value, n, e.format == 3 || e.format == 8 ? 2 : e.format == 2 ? 1 : 4);
            if (e.raw) {
                Put(tiff_, e.field, 4);
            } else if (value.size() <= 4) {
                value.resize(4, 0);
                tiff_.insert(tiff_.end(), value.begin(), value.end());
            } else {
                Put(tiff_, dir + 2 + 12 * uint32_t(entries.size()) + 4 + uint32_t(data.size()), 4);
                data.insert(data.end(), value.begin(), value.end());
            }
        }
        Put(tiff_, next, 4);
        tiff_.insert(tiff_.end(), data.begin(), data.end());
        return dir;
    }
    void SetEntryField(uint32_t dir, int index, uint32_t field) { Set32(dir + 2 + 12 * index + 8, field); }
    void SetNextLink(uint32_t dir, uint32_t link) {
        const uint32_t count = tiff_.at(dir + !motorola_) << 8 | tiff_.at(dir + motorola_);  // high byte first in "MM"
        Set32(dir + 2 + 12 * count, link);
    }
    uint32_t Size() const { return uint32_t(tiff_.size()); }
    const Bytes& Tiff() const { return tiff_; }

private:
    void Put(Bytes& out, uint32_t v, int bytes) const {
        for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * (motorola_ ? bytes - 1 - i : i))));
    }
    void Set32(std::size_t at, uint32_t v) {
        Bytes bytes;
        Put(bytes, v, 4);
        std::copy(bytes.begin(), bytes.end(), tiff_.begin() + long(at));
    }

    bool motorola_;
    Bytes tiff_;
};

// A marker section: marker code and the bytes after the length field.
struct RawSection {
    uint8_t marker;
    Bytes payload;
};

inline Bytes Payload(const std::string& text) { return {text.begin(), text.end()}; }

// The payload of a JFIF header, version 1.1, without a thumbnail.
inline Bytes JfifPayload(uint8_t units, uint16_t x, uint16_t y) {
    return {'J', 'F', 'I', 'F', 0, 1, 1, units, uint8_t(x >> 8), uint8_t(x), uint8_t(y >> 8), uint8_t(y), 0, 0};
}

// The payload of an APP1 that holds `tiff` as its EXIF block.
inline Bytes ExifPayload(const Bytes& tiff) {
    Bytes out(6 + tiff.size(), 0);
    std::copy(tiff.begin(), tiff.end(), std::copy_n("Exif", 4, out.begin()) + 2);
    return out;
}

// A section as the table stores it: two length bytes, then the payload.
inline Bytes WithLength(const Bytes& payload) {
    const std::size_t length = payload.size() + 2;  // callers keep it below 65536
    Bytes out(length, uint8_t(length >> 8));
    out[1] = uint8_t(length & 0xFF);
    std::copy(payload.begin(), payload.end(), out.begin() + 2);
    return out;
}

// SOI, `sections` and then `rest`.
inline Bytes WithSections(const std::vector<RawSection>& sections, const Bytes& rest) {
    Bytes out{0xFF, 0xD8};
    for (const RawSection& s : sections) {
        const Bytes section = WithLength(s.payload);
        out.insert(out.end(), {0xFF, s.marker});
        out.insert(out.end(), section.begin(), section.end());
    }
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

// SOI, the sections, an SOS header, `scan` and EOI.
inline Bytes AssembleJpeg(std::vector<RawSection> sections, const Bytes& scan = {0x12, 0x34, 0x56}) {
    sections.push_back({0xDA, {1, 1, 0, 0, 63, 0}});
    Bytes rest = scan;
    rest.insert(rest.end(), {0xFF, 0xD9});
    return WithSections(sections, rest);
}

// An encoded JPEG with `extra` sections put right after SOI and its own APP0 dropped.
inline Bytes WithLeadingSections(const Bytes& jpeg, const std::vector<RawSection>& extra) {
    const std::size_t rest = jpeg.at(3) == 0xE0 ? 4 + ((jpeg.at(4) << 8) | jpeg.at(5)) : 2;
    return WithSections(extra, Bytes(jpeg.begin() + long(rest), jpeg.end()));
}

// A made-up ICC profile of `size` bytes for data in `colourSpace` ("RGB ", "GRAY"): the header's
// size, data colour space and signature where a profile has them, a pattern everywhere else.
inline Bytes IccProfile(const char* colourSpace, std::size_t size) {
    Bytes profile(size);
    for (std::size_t i = 0; i < size; ++i) profile[i] = uint8_t(i * 13 + 5);
    const Bytes header{uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)};
    std::copy(header.begin(), header.end(), profile.begin());
    std::copy_n(colourSpace, 4, profile.begin() + 16);
    std::copy_n("acsp", 4, profile.begin() + 36);
    return profile;
}

// APP2 sections carrying `profile`: one piece of each size in `firstPieces`, then one more with
// the rest; numbered 1 to n of n.
inline std::vector<RawSection> IccSegments(const Bytes& profile, const std::vector<std::size_t>& firstPieces = {}) {
    const std::size_t count = firstPieces.size() + 1;
    std::vector<RawSection> segments;
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = i + 1 == count ? profile.size() : at + firstPieces[i];
        Bytes payload = Payload(std::string("ICC_PROFILE", 12));
        payload.insert(payload.end(), {uint8_t(i + 1), uint8_t(count)});
        payload.insert(payload.end(), profile.begin() + long(at), profile.begin() + long(end));
        segments.push_back({0xE2, payload});
        at = end;
    }
    return segments;
}
