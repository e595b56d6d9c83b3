#include "dng/dng_image_writer.h"
#include "pipeline/class_dngconvert.h"

namespace pipeline {

std::string DNGConvert::WriteDNG(const OutputFile& output) {
    // The file appears under its name only once complete, so a failed write leaves
    // neither a partial file nor a damaged earlier one.
    dng_image_writer writer;
    return output.Write(
        [&](dng_stream& stream) { writer.WriteDNG(Host, stream, *Negative, Thumbnail, 1); });
}

}  // namespace pipeline
