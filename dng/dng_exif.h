#pragma once
#include <string>
#include <vector>

#include "dng/dng_rational.h"
#include "dng/dng_tag_reader.h"

// One entry of the EXIF, GPS or interoperability directory, kept as stored so
// that it can be written back unchanged.
struct dng_exif_entry {
    uint16 ifd = 0;   // tcExifIFD, tcGPSInfo or tcInteroperabilityIFD; 0 for a tag of IFD 0 no record models
    uint16 code = 0;
    uint16 type = 0;
    uint32 count = 0;
    std::vector<uint8> bytes;  // in the source's byte order
};

// The EXIF facts of a file: the TIFF text tags of IFD 0 and the entries of its EXIF directories.
class dng_exif {
public:
    // Text tags of IFD 0 and the DNG tags the EXIF record holds.
    bool ParseIFD0Tag(dng_stream& stream, const dng_tag& tag);
    // Any entry of the EXIF, GPS or interoperability directory `ifd`.
    void ParseEXIFTag(dng_stream& stream, uint16 ifd, const dng_tag& tag);

    std::string fMake;
    std::string fModel;
    std::string fSoftware;
    std::string fDateTime;
    std::string fArtist;
    std::string fImageDescription;
    std::string fCopyright;
    std::string fCameraSerialNumber;
    dng_urational fLensInfo[4];
    bool fHasLensInfo = false;

    bool fSourceBigEndian = false;
    std::vector<dng_exif_entry> fEntries;
    std::vector<uint8> fMakerNote;

    // Cap on the bytes kept from all EXIF directories together.
    static constexpr uint64 kMaxEntryBytes = uint64(64) << 20;

private:
    uint64 fEntryBytes = 0;
};
