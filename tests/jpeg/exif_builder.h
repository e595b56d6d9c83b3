#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Builds TIFF blocks as EXIF carries them, in either byte order, so tests can
// lay out directories, values and links exactly where they want them.
class ExifBuilder {
public:
    struct Entry {
        uint16_t tag;
        uint16_t format;
        uint32_t count;
        // One number per component (two per rational, a double as high and
        // low half); with `raw`, `field` is written as the value field instead.
        std::vector<uint32_t> numbers;
        bool raw = false;
        uint32_t field = 0;
    };

    static Entry Short(uint16_t tag, uint16_t v) { return {tag, 3, 1, {v}}; }
    static Entry Long(uint16_t tag, uint32_t v) { return {tag, 4, 1, {v}}; }
    static Entry Rational(uint16_t tag, uint32_t num, uint32_t den) { return {tag, 5, 1, {num, den}}; }
    static Entry Ascii(uint16_t tag, const std::string& text);
    static Entry Field(uint16_t tag, uint16_t format, uint32_t count, uint32_t field) {
        return {tag, format, count, {}, true, field};
    }

    // Starts a block with its 8-byte header; the first directory offset is 8.
    explicit ExifBuilder(bool motorola);

    // Appends a directory (count, entries, next link) followed by the values
    // that do not fit into their entries; returns its offset.
    uint32_t AddDirectory(const std::vector<Entry>& entries, uint32_t next = 0);
    void SetEntryField(uint32_t dir, int index, uint32_t field);
    void SetNextLink(uint32_t dir, uint32_t link);
    void SetFirstOffset(uint32_t offset) { Set32(4, offset); }
    void Pad(std::size_t bytes) { tiff_.resize(tiff_.size() + bytes, 0); }

    uint32_t Size() const { return uint32_t(tiff_.size()); }
    const std::vector<uint8_t>& Tiff() const { return tiff_; }

private:
    void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) const;
    void Set32(std::size_t at, uint32_t v);

    bool motorola_;
    std::vector<uint8_t> tiff_;
};

// A marker section for AssembleJpeg: marker code and the bytes after the length field.
struct RawSection {
    uint8_t marker;
    std::vector<uint8_t> payload;
};

std::vector<uint8_t> Payload(const std::string& text);
// The payload of an APP1 that holds `tiff` as its EXIF block.
std::vector<uint8_t> ExifPayload(const std::vector<uint8_t>& tiff);
// A section as the table stores it: two length bytes, then the payload.
std::vector<uint8_t> WithLength(const std::vector<uint8_t>& payload);

// SOI, the sections, an SOS header, `scan` and EOI.
std::vector<uint8_t> AssembleJpeg(const std::vector<RawSection>& sections,
                                  const std::vector<uint8_t>& scan = {0x12, 0x34, 0x56});

// An encoded JPEG with `extra` sections put right after SOI and its own APP0 dropped.
std::vector<uint8_t> WithLeadingSections(const std::vector<uint8_t>& jpeg, const std::vector<RawSection>& extra);
