#include "exif_builder.h"

#include <algorithm>
#include <stdexcept>

ExifBuilder::Entry ExifBuilder::Ascii(uint16_t tag, const std::string& text) {
    Entry e{tag, 2, uint32_t(text.size() + 1), {text.begin(), text.end()}};
    e.numbers.push_back(0);
    return e;
}

ExifBuilder::ExifBuilder(bool motorola) : motorola_(motorola) {
    tiff_ = motorola ? std::vector<uint8_t>{'M', 'M'} : std::vector<uint8_t>{'I', 'I'};
    Put(tiff_, 0x2A, 2);
    Put(tiff_, 8, 4);
}

void ExifBuilder::Put(std::vector<uint8_t>& out, uint32_t v, int bytes) const {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * (motorola_ ? bytes - 1 - i : i))));
}

void ExifBuilder::Set32(std::size_t at, uint32_t v) {
    std::vector<uint8_t> bytes;
    Put(bytes, v, 4);
    for (std::size_t i = 0; i < 4; ++i) tiff_.at(at + i) = bytes[i];
}

uint32_t ExifBuilder::AddDirectory(const std::vector<Entry>& entries, uint32_t next) {
    const uint32_t dir = Size();
    const uint32_t dataAt = dir + 2 + 12 * uint32_t(entries.size()) + 4;
    std::vector<uint8_t> data;
    Put(tiff_, uint32_t(entries.size()), 2);
    for (const Entry& e : entries) {
        Put(tiff_, e.tag, 2);
        Put(tiff_, e.format, 2);
        Put(tiff_, e.count, 4);
        if (e.raw) {
            Put(tiff_, e.field, 4);
            continue;
        }
        std::vector<uint8_t> value;
        const int width = e.format == 3 || e.format == 8 ? 2 : e.format <= 2 || e.format == 6 || e.format == 7 ? 1 : 4;
        for (std::size_t i = 0; i < e.numbers.size(); ++i) {
            // A double's high half comes first in "MM", its low half in "II".
            const std::size_t at = e.format == 12 && !motorola_ ? i ^ 1 : i;
            Put(value, e.numbers[at], width);
        }
        if (value.size() <= 4) {
            value.resize(4, 0);
            tiff_.insert(tiff_.end(), value.begin(), value.end());
        } else {
            Put(tiff_, dataAt + uint32_t(data.size()), 4);
            data.insert(data.end(), value.begin(), value.end());
        }
    }
    Put(tiff_, next, 4);
    tiff_.insert(tiff_.end(), data.begin(), data.end());
    return dir;
}

void ExifBuilder::SetEntryField(uint32_t dir, int index, uint32_t field) {
    Set32(dir + 2 + 12 * uint32_t(index) + 8, field);
}

void ExifBuilder::SetNextLink(uint32_t dir, uint32_t link) {
    const uint32_t count =
        motorola_ ? (tiff_.at(dir) << 8) | tiff_.at(dir + 1) : (tiff_.at(dir + 1) << 8) | tiff_.at(dir);
    Set32(dir + 2 + 12 * count, link);
}

std::vector<uint8_t> Payload(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> ExifPayload(const std::vector<uint8_t>& tiff) {
    static const uint8_t kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> out(sizeof kHeader + tiff.size());
    std::copy(kHeader, kHeader + sizeof kHeader, out.begin());
    std::copy(tiff.begin(), tiff.end(), out.begin() + sizeof kHeader);
    return out;
}

std::vector<uint8_t> WithLength(const std::vector<uint8_t>& payload) {
    const std::size_t length = payload.size() + 2;
    if (length > 0xFFFF) throw std::length_error("section too long");
    std::vector<uint8_t> out(length);
    out[0] = uint8_t(length >> 8);
    out[1] = uint8_t(length & 0xFF);
    std::copy(payload.begin(), payload.end(), out.begin() + 2);
    return out;
}

namespace {
void AppendSection(std::vector<uint8_t>& out, const RawSection& s) {
    const std::vector<uint8_t> section = WithLength(s.payload);
    out.insert(out.end(), {0xFF, s.marker});
    out.insert(out.end(), section.begin(), section.end());
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

std::vector<uint8_t> WithLeadingSections(const std::vector<uint8_t>& jpeg, const std::vector<RawSection>& extra) {
    std::vector<uint8_t> out{0xFF, 0xD8};
    for (const RawSection& s : extra) AppendSection(out, s);
    std::size_t rest = 2;
    if (jpeg.at(2) == 0xFF && jpeg.at(3) == 0xE0) rest = 4 + ((jpeg.at(4) << 8) | jpeg.at(5));
    out.insert(out.end(), jpeg.begin() + long(rest), jpeg.end());
    return out;
}
