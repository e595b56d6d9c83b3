#pragma once
#include <string>

#include "dng/dng_host.h"
#include "dng/dng_image_preview.h"
#include "dng/dng_stream.h"

class dng_negative;

// Writes a negative as a DNG: "II" byte order, IFD 0 holding the thumbnail and the
// negative's tags, the raw image as one uncompressed strip of 16-bit samples in a
// sub-IFD, then the EXIF, GPS and interoperability directories.
class dng_image_writer {
public:
    // Writes from position 0 of `stream`. Only compression 1 (uncompressed) is written.
    // A cleared raw-image digest is computed over the raw image written and stored back
    // into the negative. The raw image is the negative's saved raw copy when it holds
    // one, else its stage-1 image.
    void WriteDNG(dng_host& host, dng_stream& stream, dng_negative& negative, const dng_image_preview& thumbnail,
                  uint32 compression = 1);

    // WriteDNG into a file that appears at `path` only once it was written completely.
    void WriteDNGFile(dng_host& host, const std::string& path, dng_negative& negative,
                      const dng_image_preview& thumbnail, uint32 compression = 1);

    static constexpr uint32 kVersion_1_1 = 0x01010000;
    static constexpr uint32 kVersion_1_3 = 0x01030000;
};
