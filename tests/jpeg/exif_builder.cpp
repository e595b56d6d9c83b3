#include "exif_builder.h"

#include <algorithm>
#include <stdexcept>

ExifBuilder::Entry ExifBuilder::Ascii(uint16_t tag, const std::string& text) {
    Entry e{tag, 2, uint32_t(text.size() + 1), {}};
    for (char c : text) e.numbers.push_back(uint8_t(c));
    e.numbers.push_back(0);
    return e;
}

ExifBuilder::ExifBuilder(bool motorola) : motorola_(motorola) {
    tiff_ = motorola ? std::vector<uint8_t>{'M', 'M'} : std::vector<uint8_t>{'I', 'I'};
    Put16(tiff_, 0x2A);
    Put32(tiff_, 8);
}

void ExifBuilder::Put16(std::vector<uint8_t>& out, uint32_t v) const {
    if (motorola_) {
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    } else {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
}

void ExifBuilder::Put32(std::vector<uint8_t>& out, uint32_t v) const {
    if (motorola_) {
        Put16(out, v >> 16);
        Put16(out, v & 0xFFFF);
    } else {
        Put16(out, v & 0xFFFF);
        Put16(out, v >> 16);
    }
}

void ExifBuilder::Set32(std::size_t at, uint32_t v) {
    std::vector<uint8_t> bytes;
    Put32(bytes, v);
    for (int i = 0; i < 4; ++i) tiff_.at(at + std::size_t(i)) = bytes[std::size_t(i)];
}

std::vector<uint8_t> ExifBuilder::Encode(const Entry& e) const {
    std::vector<uint8_t> out;
    switch (e.format) {
        case 1: case 2: case 6: case 7:
            for (uint32_t n : e.numbers) out.push_back(uint8_t(n));
            break;
        case 3: case 8:
            for (uint32_t n : e.numbers) Put16(out, n);
            break;
        case 12:
            // High half first in "MM", low half first in "II".
            for (std::size_t i = 0; i + 1 < e.numbers.size(); i += 2) {
                Put32(out, motorola_ ? e.numbers[i] : e.numbers[i + 1]);
                Put32(out, motorola_ ? e.numbers[i + 1] : e.numbers[i]);
            }
            break;
        default:
            for (uint32_t n : e.numbers) Put32(out, n);
            break;
    }
    return out;
}

uint32_t ExifBuilder::AddDirectory(const std::vector<Entry>& entries, uint32_t next) {
    const uint32_t dir = Size();
    uint32_t dataAt = dir + 2 + 12 * uint32_t(entries.size()) + 4;
    std::vector<uint8_t> data;
    Put16(tiff_, uint32_t(entries.size()));
    for (const Entry& e : entries) {
        Put16(tiff_, e.tag);
        Put16(tiff_, e.format);
        Put32(tiff_, e.count);
        if (e.raw) {
            Put32(tiff_, e.field);
            continue;
        }
        std::vector<uint8_t> value = Encode(e);
        if (value.size() <= 4) {
            value.resize(4, 0);
            tiff_.insert(tiff_.end(), value.begin(), value.end());
        } else {
            Put32(tiff_, dataAt + uint32_t(data.size()));
            data.insert(data.end(), value.begin(), value.end());
        }
    }
    Put32(tiff_, next);
    tiff_.insert(tiff_.end(), data.begin(), data.end());
    return dir;
}

void ExifBuilder::SetEntryField(uint32_t dir, int index, uint32_t field) {
    Set32(dir + 2 + 12 * uint32_t(index) + 8, field);
}

void ExifBuilder::SetNextLink(uint32_t dir, uint32_t link) {
    const uint32_t count = motorola_ ? (tiff_.at(dir) << 8) | tiff_.at(dir + 1)
                                     : (tiff_.at(dir + 1) << 8) | tiff_.at(dir);
    Set32(dir + 2 + 12 * count, link);
}

void ExifBuilder::SetFirstOffset(uint32_t offset) { Set32(4, offset); }

void ExifBuilder::Pad(std::size_t bytes) { tiff_.resize(tiff_.size() + bytes, 0); }

std::vector<uint8_t> ExifBuilder::Section() const {
    const std::vector<uint8_t> payload = ExifPayload(tiff_);
    const std::size_t length = payload.size() + 2;
    std::vector<uint8_t> out;
    out.reserve(length);
    out.push_back(uint8_t(length >> 8));
    out.push_back(uint8_t(length & 0xFF));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<uint8_t> Payload(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> ExifPayload(const std::vector<uint8_t>& tiff) {
    static const uint8_t kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> out(sizeof kHeader + tiff.size());
    std::copy(kHeader, kHeader + sizeof kHeader, out.begin());
    std::copy(tiff.begin(), tiff.end(), out.begin() + sizeof kHeader);
    return out;
}

namespace {
void AppendSection(std::vector<uint8_t>& out, const RawSection& s) {
    const std::size_t length = s.payload.size() + 2;
    if (length > 0xFFFF) throw std::length_error("section too long");
    out.insert(out.end(), {0xFF, s.marker, uint8_t(length >> 8), uint8_t(length & 0xFF)});
    out.insert(out.end(), s.payload.begin(), s.payload.end());
}
}  // namespace

std::vector<uint8_t> AssembleJpeg(const std::vector<RawSection>& sections, const std::vector<uint8_t>& scan) {
    std::vector<uint8_t> out{0xFF, 0xD8};
    for (const RawSection& s : sections) AppendSection(out, s);
    AppendSection(out, {0xDA, {1, 1, 0, 0, 63, 0}});
    out.insert(out.end(), scan.begin(), scan.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

std::vector<uint8_t> WithLeadingSections(const std::vector<uint8_t>& jpeg, const std::vector<RawSection>& extra,
                                         bool dropJfif) {
    std::vector<uint8_t> out{0xFF, 0xD8};
    for (const RawSection& s : extra) AppendSection(out, s);
    std::size_t rest = 2;
    if (dropJfif && jpeg.at(2) == 0xFF && jpeg.at(3) == 0xE0) rest = 4 + ((jpeg.at(4) << 8) | jpeg.at(5));
    out.insert(out.end(), jpeg.begin() + long(rest), jpeg.end());
    return out;
}
