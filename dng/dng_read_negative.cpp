#include "dng/dng_read_negative.h"

#include "dng/dng_exceptions.h"

std::unique_ptr<dng_negative> ReadNegative(dng_host& host, dng_stream& stream, dng_info& info, bool readRaw) {
    info.Parse(host, stream);
    info.PostParse(host);
    if (!info.IsValidDNG()) ThrowBadFormat("Not a valid DNG: " + info.ValidityFault());
    std::unique_ptr<dng_negative> negative = host.Make_dng_negative();
    negative->Parse(host, stream, info);
    negative->PostParse(host, stream, info);
    if (readRaw) {
        negative->ReadStage1Image(host, stream, info);
        negative->ValidateRawImageDigest(host);
        negative->SynchronizeMetadata();
    }
    return negative;
}
