#pragma once
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dng/dng_byte_view.h"
#include "pipeline/output_file.h"

namespace pipeline {

// One marker section of a JPEG file, or the image data that follows the
// scan header.
struct JPGSection {
    // Marker sections: their bytes from the two length bytes on, without the
    // 0xFF and the marker code. Image data: the raw bytes.
    std::unique_ptr<uint8_t[]> data;
    int type = 0;
    int size = 0;
};

// The marker sections of one JPEG file, the walk over its EXIF block, and
// the writers that put a source's EXIF block and colour profile into a
// freshly encoded JPEG.
class JPGExif {
public:
    // Mode bits of ReadSections.
    static constexpr int kReadMetadata = 1;
    static constexpr int kReadImage = 2;
    // Section types beyond the marker codes.
    static constexpr int kTypeXmp = 0x10E1;
    static constexpr int kTypeImageData = 0x123;

    // Reads a whole JPEG from a seekable stream; true once the scan header
    // was reached. Of the errors met on the way only the first is shown in a
    // message box; the rest go to the standard error stream.
    bool ReadSections(std::istream& stream, int mode);

    // Called on the source table: writes `target`'s sections and image data
    // to `output` with this table's EXIF block in place of target's JFIF
    // header, and returns the name the file took. The file appears under its
    // name only once complete. Nothing, after a message, when it could not be
    // created or written; then no file of the name was made or changed.
    // This table's RGB colour profile follows target's leading APP0/APP1
    // sections.
    std::optional<std::string> WriteWithExif(const OutputFile& output, JPGExif& target);
    // Writes `encoded`, a whole JPEG, unchanged but for this table's RGB
    // colour profile after its SOI and leading APP0/APP1 sections.
    void PutEncodedWithProfile(dng_stream& out, const std::vector<uint8_t>& encoded) const;

    // The image data once it has been read; null and 0 before.
    const uint8_t* LastSectionData() const;
    int LastSectionSize() const;

    // The EXIF walk. `data` is an APP1 section from its length bytes on,
    // `length` its size. Damage is shown as a message and ends the walk or
    // skips the entry; nothing is thrown.
    void ParseExif(const uint8_t* data, unsigned length);
    // The value at the start of `value`, read in the view's byte order; 0 for
    // text and undefined data. Throws the view's end-of-file error when the
    // value does not fit.
    double ConvertAnyFormat(dng_byte_view value, int format);

    std::unique_ptr<JPGSection[]> sections;
    int sectionsAllocated = 0;
    int sectionsRead = 0;
    bool haveAll = false;
    bool motorolaOrder = false;
    int8_t jfifUnits = 1;
    uint16_t jfifXDensity = 300;
    uint16_t jfifYDensity = 300;
    float xResolution = 0;
    float yResolution = 0;
    int resolutionUnit = 0;
    int orientationCount = 0;
    int orientation = 0;
    int dateTagCount = 0;

private:
    // The first error since the read or write began is a message box, any
    // later one a line on the standard error stream: a damaged block can hold
    // hundreds of bad entries, and each box would wait to be dismissed.
    void ShowError(const std::string& text);

    void ResetFields();
    bool MakeRoom();
    void AppendSection(std::unique_ptr<uint8_t[]> data, int type, int size);
    void DropLastSection();
    bool ReadImageData(std::istream& stream);
    void ReadJfifHeader(const JPGSection& section);
    int MarkerSectionCount() const;
    int FindSection(int type) const;
    // The APP2 sections of this table's ICC profile, in file order, when it is
    // whole (every segment there once, of the count each names; a header with
    // a size they hold and the profile signature) and describes RGB data: a
    // saved result always has three colour components. Empty otherwise.
    std::vector<int> RgbProfileSections() const;
    // How many APP0 and APP1 sections the table starts with.
    int LeadingHeaderSections() const;
    // Writes the sections at `indexes` with their markers.
    void PutSections(dng_stream& out, const std::vector<int>& indexes) const;

    // A directory at offset `at` of the TIFF block, and one 12-byte entry of it.
    void ParseExifDirectory(dng_byte_view block, uint64_t at, int level);
    void ParseExifEntry(dng_byte_view block, dng_byte_view entry, int level);

    // Directories the current EXIF walk has entered.
    int directoriesWalked_ = 0;
    bool walkCutShort_ = false;
    bool errorBoxShown_ = false;
};

}  // namespace pipeline
