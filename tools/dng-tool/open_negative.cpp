#include "open_negative.h"

#include "dng/dng_exceptions.h"

void OpenNegative(dng_host& host, const std::string& path, OpenedNegative& opened, bool readRaw) {
    opened.stream = std::make_unique<dng_file_stream>(path);
    opened.info.Parse(host, *opened.stream);
    opened.info.PostParse(host);
    if (!opened.info.IsValidDNG()) ThrowBadFormat("Not a valid DNG: " + opened.info.ValidityFault());
    opened.negative = host.Make_dng_negative();
    dng_negative& negative = *opened.negative;
    negative.Parse(host, *opened.stream, opened.info);
    negative.PostParse(host, *opened.stream, opened.info);
    if (!readRaw) return;
    negative.ReadStage1Image(host, *opened.stream, opened.info);
    negative.ValidateRawImageDigest(host);
    negative.SynchronizeMetadata();
}

void OpenNegativeToStage3(dng_host& host, const std::string& path, OpenedNegative& opened) {
    OpenNegative(host, path, opened, true);
    opened.negative->BuildStage2Image(host, ttShort);
    opened.negative->BuildStage3Image(host, -1);
}
