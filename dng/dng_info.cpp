#include "dng/dng_info.h"

#include <algorithm>

#include "dng/dng_exceptions.h"
#include "dng/dng_host.h"
#include "dng/dng_tag_codes.h"

namespace {

std::string Hex(uint64 offset) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(offset));
    return text;
}

}  // namespace

void dng_info::ParseDirectory(dng_stream& stream, uint64 offset, dng_ifd* ifd, uint16 exifKind, bool isIFD0) {
    const uint64 length = stream.Length();
    if (offset < 8 || offset + 2 > length) ThrowBadFormat("Directory offset " + Hex(offset) + " lies outside the file");
    if (std::find(fVisited.begin(), fVisited.end(), offset) != fVisited.end())
        ThrowBadFormat("Directory at " + Hex(offset) + " is referenced twice (loop in the directory tree)");
    fVisited.push_back(offset);

    stream.SetReadPosition(offset);
    const uint32 entries = stream.Get_uint16();
    if (entries == 0 || entries > kMaxEntriesPerIFD)
        ThrowBadFormat("Directory at " + Hex(offset) + " has " + std::to_string(entries) + " entries");
    if (offset + 2 + uint64(entries) * 12 > length)
        ThrowBadFormat("Directory at " + Hex(offset) + " runs past the end of the file");

    for (uint32 i = 0; i < entries; ++i) {
        const uint64 entryOffset = offset + 2 + uint64(i) * 12;
        stream.SetReadPosition(entryOffset);
        dng_tag tag;
        tag.code = stream.Get_uint16();
        tag.type = stream.Get_uint16();
        tag.count = stream.Get_uint32();
        const uint32 typeSize = TagTypeSize(tag.type);
        if (typeSize == 0) continue;
        const uint64 size = uint64(tag.count) * typeSize;
        tag.offset = size <= 4 ? entryOffset + 8 : stream.Get_uint32();
        if (tag.offset > length || size > length - tag.offset) {
            // EXIF facts are optional; a damaged one is dropped. Image and DNG tags must be whole.
            if (exifKind != 0) continue;
            ThrowBadFormat("Value of tag " + std::to_string(tag.code) + " lies outside the file");
        }
        stream.SetReadPosition(tag.offset);
        if (exifKind != 0) {
            fExif->ParseEXIFTag(stream, exifKind, tag);
            continue;
        }
        if (ifd->ParseTag(stream, tag)) continue;
        if (!isIFD0) continue;
        stream.SetReadPosition(tag.offset);
        if (fShared->ParseTag(stream, tag)) continue;
        stream.SetReadPosition(tag.offset);
        if (fExif->ParseIFD0Tag(stream, tag)) continue;
        // Any other tag of IFD 0 is kept as stored (directory 0), for a writer to carry or drop.
        stream.SetReadPosition(tag.offset);
        fExif->ParseEXIFTag(stream, 0, tag);
    }
    if (ifd) ifd->fOffset = offset;
}

void dng_info::Parse(dng_host& host, dng_stream& stream) {
    fShared = std::make_unique<dng_shared>();
    fExif = std::make_unique<dng_exif>();
    fIFD.clear();
    fChainedIFDCount = 0;
    fVisited.clear();
    fMainIndex = -1;
    fFault = "not post-parsed";
    try {
        ParseTags(stream);
    } catch (const dng_exception& e) {
        if (e.ErrorCode() == dng_error_end_of_file) ThrowBadFormat("File is truncated inside its directories");
        throw;
    }
    host.SniffForAbort();
}

void dng_info::ParseTags(dng_stream& stream) {
    stream.SetReadPosition(0);
    if (stream.Length() < 8) ThrowBadFormat("File too short for a TIFF header");
    const uint16 order = stream.Get_uint16();
    if (order == 0x4949) fBigEndian = false;
    else if (order == 0x4D4D) fBigEndian = true;
    else ThrowBadFormat("Not a TIFF file: bad byte-order mark");
    stream.SetBigEndian(fBigEndian);
    fMagic = stream.Get_uint16();
    const uint64 ifd0Offset = stream.Get_uint32();

    fIFD.push_back(std::make_unique<dng_ifd>());
    ParseDirectory(stream, ifd0Offset, fIFD[0].get(), 0, true);

    // Sub-directories breadth first, in the order of their offsets in each SubIFDs tag.
    for (size_t i = 0; i < fIFD.size(); ++i) {
        const std::vector<uint64> children = fIFD[i]->fSubIFDOffsets;
        for (uint64 child : children) {
            if (fIFD.size() >= kMaxIFDs) ThrowBadFormat("Too many image directories");
            fIFD.push_back(std::make_unique<dng_ifd>());
            ParseDirectory(stream, child, fIFD.back().get(), 0, false);
        }
    }

    // Directories chained after IFD 0 (thumbnails of TIFF-style files); a damaged one ends the chain.
    stream.SetReadPosition(ifd0Offset);
    const uint64 entries0 = stream.Get_uint16();
    uint64 nextPos = ifd0Offset + 2 + entries0 * 12;
    while (fChainedIFDCount < kMaxChainedIFDs && fIFD.size() < kMaxIFDs && nextPos + 4 <= stream.Length()) {
        stream.SetReadPosition(nextPos);
        const uint64 next = stream.Get_uint32();
        if (next == 0) break;
        auto chained = std::make_unique<dng_ifd>();
        try {
            ParseDirectory(stream, next, chained.get(), 0, false);
        } catch (const dng_exception&) {
            break;
        }
        stream.SetReadPosition(next);
        nextPos = next + 2 + uint64(stream.Get_uint16()) * 12;
        fIFD.push_back(std::move(chained));
        ++fChainedIFDCount;
    }

    const dng_ifd& ifd0 = *fIFD[0];
    const std::pair<uint64, uint16> exifDirs[] = {
        {ifd0.fExifIFD, tcExifIFD}, {ifd0.fGPSIFD, tcGPSInfo}};
    // EXIF facts are optional: a damaged EXIF, GPS or interoperability directory is dropped.
    for (const auto& dir : exifDirs) {
        if (dir.first == 0) continue;
        try {
            ParseDirectory(stream, dir.first, nullptr, dir.second, false);
        } catch (const dng_exception&) {
        }
    }
    // The interoperability directory is linked from the EXIF directory.
    for (const dng_exif_entry& e : std::vector<dng_exif_entry>(fExif->fEntries)) {
        if (e.ifd == tcExifIFD && e.code == tcInteroperabilityIFD && e.count == 1 && e.bytes.size() == 4) {
            const uint32 offset = fBigEndian ? (uint32(e.bytes[0]) << 24 | uint32(e.bytes[1]) << 16 |
                                                uint32(e.bytes[2]) << 8 | e.bytes[3])
                                             : (uint32(e.bytes[3]) << 24 | uint32(e.bytes[2]) << 16 |
                                                uint32(e.bytes[1]) << 8 | e.bytes[0]);
            try {
                ParseDirectory(stream, offset, nullptr, tcInteroperabilityIFD, false);
            } catch (const dng_exception&) {
            }
        }
    }
}

void dng_info::PostParse(dng_host& host) {
    fMainIndex = -1;
    if (!fShared) ThrowProgramError("dng_info::PostParse before Parse");
    fShared->PostParse();
    for (auto& ifd : fIFD) ifd->PostParse();

    for (auto& ifd : fIFD) {
        if (ifd->fPreviewColorSpace == 0xFFFFFFFF &&
            (ifd->fNewSubFileType == sfPreviewImage || ifd->fNewSubFileType == sfAltPreviewImage))
            ifd->fPreviewColorSpace = ifd->fSamplesPerPixel == 1 ? 1 : 2;
    }

    for (uint32 i = 0; i < fIFD.size(); ++i) {
        if (fIFD[i]->fUsesNewSubFileType && fIFD[i]->fNewSubFileType == sfMainImage) {
            fMainIndex = static_cast<int32>(i);
            break;
        }
    }
    // IFD 0 without a NewSubFileType tag is the main image of many camera-written files.
    if (fMainIndex < 0 && !fIFD.empty() && !fIFD[0]->fUsesNewSubFileType) fMainIndex = 0;
    fFault = Fault();
    host.SniffForAbort();
}

std::string dng_info::Fault() const {
    if (fShared->fDNGVersion == 0) return "no DNGVersion tag";
    if (fIFD.empty()) return "not parsed";
    if (fMagic != 42) return "TIFF magic number " + std::to_string(fMagic) + " is not 42";
    if (fShared->fDNGVersion < 0x01000000u) return "DNGVersion below 1.0";
    if (fShared->fDNGBackwardVersion > 0x01040000u) return "file needs a newer DNG reader";
    if (fMainIndex < 0) return "no main raw image directory";
    for (uint32 i = 0; i < fShared->fAnalogBalance.Count(); ++i)
        if (!(fShared->fAnalogBalance[i] > 0.0)) return "analog balance entry not positive";
    const std::string ifdFault = fIFD[fMainIndex]->MainImageFault(fShared->fCameraProfile.fColorMatrix1.NotEmpty());
    return ifdFault.empty() ? "" : "main image: " + ifdFault;
}
