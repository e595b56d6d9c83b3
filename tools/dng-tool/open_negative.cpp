#include "open_negative.h"

#include "dng/dng_read_negative.h"

void OpenNegative(dng_host& host, const std::string& path, OpenedNegative& opened, bool readRaw) {
    opened.stream = std::make_unique<dng_file_stream>(path);
    opened.negative = ReadNegative(host, *opened.stream, opened.info, readRaw);
}

void OpenNegativeToStage3(dng_host& host, const std::string& path, OpenedNegative& opened) {
    OpenNegative(host, path, opened, true);
    opened.negative->BuildStage2Image(host, ttShort);
    opened.negative->BuildStage3Image(host, -1);
}
