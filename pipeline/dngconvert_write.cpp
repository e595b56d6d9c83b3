#include "dng/dng_image_writer.h"
#include "pipeline/class_dngconvert.h"

namespace pipeline {

void DNGConvert::WriteDNG(const std::string& path) {
    // The writer fills a temporary file beside `path` and renames it into place only
    // once complete, so a failed write leaves neither a partial file nor a damaged
    // earlier one.
    dng_image_writer writer;
    writer.WriteDNGFile(Host, path, *Negative, Thumbnail, 1);
}

}  // namespace pipeline
