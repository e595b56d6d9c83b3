#include "pipeline/jpgexif.h"

#include <climits>
#include <cstring>
#include <iostream>
#include <istream>
#include <new>

#include "dng/dng_exceptions.h"
#include "dng/dng_stream.h"
#include "pipeline/failure_text.h"
#include "platform/message_box.h"

namespace pipeline {
namespace {

constexpr int kSOS = 0xDA;
constexpr int kEOI = 0xD9;
constexpr int kAPP0 = 0xE0;
constexpr int kAPP1 = 0xE1;
constexpr int kAPP13 = 0xED;
constexpr int kCOM = 0xFE;

constexpr int kFirstTableSize = 5;

bool PayloadStartsWith(const JPGSection& s, const char* text, int count) {
    return s.size >= 2 + count && std::memcmp(s.data.get() + 2, text, std::size_t(count)) == 0;
}

// JFIF densities are 16-bit; a resolution outside that range (or no number
// at all) must not reach the integer conversion.
uint16_t DensityFrom(float resolution) {
    if (!(resolution > 0)) return 0;
    if (resolution >= 65535.0f) return 65535;
    return static_cast<uint16_t>(resolution);
}

// Marker search: the byte after a 0xFF that is not itself 0xFF; anything
// before it is skipped. -1 at the end of the stream.
int NextMarker(std::istream& stream) {
    int previous = 0;
    for (;;) {
        const int c = stream.get();
        if (c == std::char_traits<char>::eof()) return -1;
        if (previous == 0xFF && c != 0xFF) return c;
        previous = c;
    }
}

}  // namespace

void JPGExif::ShowError(const std::string& text) {
    if (errorBoxShown_) {
        std::cerr << "JPGExif error: " << text << '\n';
        return;
    }
    errorBoxShown_ = true;
    platform::MessageBox(text, "JPGExif error", platform::MB_OK | platform::MB_ICONERROR);
}

void JPGExif::ResetFields() {
    jfifUnits = 1;
    jfifXDensity = 300;
    jfifYDensity = 300;
    xResolution = 0;
    yResolution = 0;
    resolutionUnit = 0;
    orientationCount = 0;
    orientation = 0;
    dateTagCount = 0;
}

bool JPGExif::MakeRoom() {
    if (sectionsRead < sectionsAllocated) return true;
    const int grown = sectionsAllocated + sectionsAllocated / 2;
    std::unique_ptr<JPGSection[]> table(new (std::nothrow) JPGSection[std::size_t(grown)]);
    if (!table) return false;
    for (int i = 0; i < sectionsRead; ++i) table[i] = std::move(sections[i]);
    sections = std::move(table);
    sectionsAllocated = grown;
    return true;
}

void JPGExif::AppendSection(std::unique_ptr<uint8_t[]> data, int type, int size) {
    JPGSection& s = sections[sectionsRead++];
    s.data = std::move(data);
    s.type = type;
    s.size = size;
}

void JPGExif::DropLastSection() {
    sections[--sectionsRead] = JPGSection{};
}

bool JPGExif::ReadSections(std::istream& stream, int mode) {
    if (!sections) {
        sections.reset(new JPGSection[kFirstTableSize]);
        sectionsAllocated = kFirstTableSize;
    }
    for (int i = 0; i < sectionsRead; ++i) sections[i] = JPGSection{};
    sectionsRead = 0;
    haveAll = false;
    errorBoxShown_ = false;
    ResetFields();

    stream.clear();
    stream.seekg(0, std::ios::beg);
    const int first = stream.get();
    const int second = stream.get();
    if (first != 0xFF || second != 0xD8) return false;

    bool commentKept = false;
    for (;;) {
        if (!MakeRoom()) {
            ShowError("Could not allocate memory for entire stream in JPGExif");
            return false;
        }
        const int marker = NextMarker(stream);
        const int high = marker < 0 ? -1 : stream.get();
        const int low = high < 0 ? -1 : stream.get();
        if (low < 0) {
            ShowError("Unexpected end of stream in JPGExif");
            return false;
        }
        const int length = (high << 8) | low;
        if (length < 2) {
            ShowError("Invalid marker in JPGExif");
            return false;
        }
        std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[std::size_t(length)]);
        if (!data) {
            ShowError("Could not allocate memory in JPGExif");
            return false;
        }
        data[0] = uint8_t(high);
        data[1] = uint8_t(low);
        stream.read(reinterpret_cast<char*>(data.get() + 2), length - 2);
        if (stream.gcount() != length - 2) {
            ShowError("Premature end of stream in JPGExif");
            return false;
        }
        AppendSection(std::move(data), marker, length);
        JPGSection& section = sections[sectionsRead - 1];

        switch (marker) {
            case kSOS:
                if ((mode & kReadImage) && !ReadImageData(stream)) return false;
                return true;
            case kEOI:
                std::cerr << "No image in jpeg!\n";
                return false;
            case kAPP0:
                ReadJfifHeader(section);
                break;
            case kAPP1:
                if ((mode & kReadMetadata) && PayloadStartsWith(section, "Exif", 4))
                    ParseExif(section.data.get(), unsigned(section.size));
                else if ((mode & kReadMetadata) && PayloadStartsWith(section, "http:", 5))
                    section.type = kTypeXmp;
                else
                    DropLastSection();
                break;
            case kAPP13:
                if (!(mode & kReadMetadata)) DropLastSection();
                break;
            case kCOM:
                if ((mode & kReadMetadata) && !commentKept)
                    commentKept = true;
                else
                    DropLastSection();
                break;
            default:
                break;
        }
    }
}

bool JPGExif::ReadImageData(std::istream& stream) {
    const std::streampos here = stream.tellg();
    stream.seekg(0, std::ios::end);
    const std::streampos end = stream.tellg();
    stream.seekg(here);
    if (here < 0 || end < here) {
        ShowError("Could not read remainder of stream in JPGExif");
        return false;
    }
    const std::streamoff size = end - here;
    // The table's own room is made here too: the scan header may have taken
    // its last free entry.
    std::unique_ptr<uint8_t[]> data;
    if (size <= INT_MAX) data.reset(new (std::nothrow) uint8_t[std::size_t(size)]);
    if (!data || !MakeRoom()) {
        ShowError("Could not allocate memory for entire stream in JPGExif");
        return false;
    }
    stream.read(reinterpret_cast<char*>(data.get()), size);
    if (stream.gcount() != size) {
        ShowError("Could not read remainder of stream in JPGExif");
        return false;
    }
    AppendSection(std::move(data), kTypeImageData, int(size));
    haveAll = true;
    return true;
}

void JPGExif::ReadJfifHeader(const JPGSection& section) {
    if (!PayloadStartsWith(section, "JFIF\0", 5)) std::cerr << "Header missing JFIF marker\n";
    if (section.size < 16) {
        std::cerr << "Jfif header too short\n";
        return;
    }
    const uint8_t* d = section.data.get();
    jfifUnits = static_cast<int8_t>(d[9]);
    jfifXDensity = uint16_t((d[10] << 8) | d[11]);
    jfifYDensity = uint16_t((d[12] << 8) | d[13]);
}

const uint8_t* JPGExif::LastSectionData() const {
    return haveAll ? sections[sectionsRead - 1].data.get() : nullptr;
}

int JPGExif::LastSectionSize() const {
    return haveAll ? sections[sectionsRead - 1].size : 0;
}

int JPGExif::MarkerSectionCount() const {
    return haveAll ? sectionsRead - 1 : sectionsRead;
}

int JPGExif::FindSection(int type) const {
    for (int i = 0; i < MarkerSectionCount(); ++i)
        if (sections[i].type == type) return i;
    return -1;
}

std::optional<std::string> JPGExif::WriteWithExif(const OutputFile& output, JPGExif& target) {
    errorBoxShown_ = false;
    const bool startsWithHeader = sectionsRead > 0 && (sections[0].type == kAPP0 || sections[0].type == kAPP1);
    if (!startsWithHeader && (resolutionUnit == 2 || resolutionUnit == 3)) {
        jfifUnits = int8_t(resolutionUnit - 1);
        jfifXDensity = DensityFrom(xResolution);
        jfifYDensity = DensityFrom(yResolution);
    }
    const int jfifIndex = target.FindSection(kAPP0);
    const int exifIndex = FindSection(kAPP1);
    // APPn sections must come before the frame: the profile follows the header sections.
    const std::vector<int> profile = RgbProfileSections();
    const int profileAt = target.LeadingHeaderSections();

    // The file appears complete or not at all; whatever had the name before
    // is replaced, never written through.
    const auto write = [&](dng_stream& out) {
        const uint8_t soi[2] = {0xFF, 0xD8};
        out.Put(soi, 2);
        if (!startsWithHeader) {
            const uint8_t jfif[18] = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01,
                                      uint8_t(jfifUnits),
                                      uint8_t(jfifXDensity >> 8), uint8_t(jfifXDensity & 0xFF),
                                      uint8_t(jfifYDensity >> 8), uint8_t(jfifYDensity & 0xFF),
                                      0x00, 0x00};
            out.Put(jfif, 18);
        }
        for (int i = 0; i < target.MarkerSectionCount(); ++i) {
            if (i == profileAt) PutSections(out, profile);
            const bool replace = i == jfifIndex && exifIndex >= 0;
            const JPGSection& s = replace ? sections[exifIndex] : target.sections[i];
            const uint8_t marker[2] = {0xFF, uint8_t(replace ? kAPP1 : (s.type & 0xFF))};
            out.Put(marker, 2);
            out.Put(s.data.get(), uint64_t(s.size));
        }
        if (target.LastSectionData()) out.Put(target.LastSectionData(), uint64_t(target.LastSectionSize()));
    };
    try {
        return output.Write(write);
    } catch (const dng_exception& e) {
        ShowError(NotStoredText(e.ErrorCode() == dng_error_open_file ? "Could not open file for write"
                                                                     : "Could not write file in JPGExif",
                                FileCauseLines(std::current_exception())));
    } catch (const std::exception&) {
        ShowError(NotStoredText("Could not write file in JPGExif", ""));
    }
    return std::nullopt;
}

}  // namespace pipeline
