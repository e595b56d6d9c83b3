#include "dng/dng_exif.h"

#include "dng/dng_tag_codes.h"

bool dng_exif::ParseIFD0Tag(dng_stream& stream, const dng_tag& tag) {
    switch (tag.code) {
        case tcMake: fMake = TagValue_string(stream, tag); return true;
        case tcModel: fModel = TagValue_string(stream, tag); return true;
        case tcSoftware: fSoftware = TagValue_string(stream, tag); return true;
        case tcDateTime: fDateTime = TagValue_string(stream, tag); return true;
        case tcArtist: fArtist = TagValue_string(stream, tag); return true;
        case tcImageDescription: fImageDescription = TagValue_string(stream, tag); return true;
        case tcCopyright: fCopyright = TagValue_string(stream, tag); return true;
        case tcCameraSerialNumber: fCameraSerialNumber = TagValue_string(stream, tag); return true;
        case tcLensInfo:
            if (tag.count != 4 || !TagTypeIsNumeric(tag)) return true;
            for (auto& value : fLensInfo) value = TagValue_urational(stream, tag.type);
            fHasLensInfo = true;
            return true;
        default:
            return false;
    }
}

void dng_exif::ParseEXIFTag(dng_stream& stream, uint16 ifd, const dng_tag& tag) {
    const uint64 size = static_cast<uint64>(tag.count) * TagTypeSize(tag.type);
    if (TagTypeSize(tag.type) == 0 || fEntryBytes + size > kMaxEntryBytes) return;
    fSourceBigEndian = stream.BigEndian();
    dng_exif_entry entry;
    entry.ifd = ifd;
    entry.code = tag.code;
    entry.type = tag.type;
    entry.count = tag.count;
    entry.bytes = TagValue_bytes(stream, tag);
    fEntryBytes += size;
    if (ifd == tcExifIFD && tag.code == tcMakerNote) fMakerNote = entry.bytes;
    fEntries.push_back(std::move(entry));
}
