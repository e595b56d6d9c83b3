#pragma once
#include "dng/dng_byte_view.h"
#include "dng/dng_types.h"

// Frame facts of a lossless JPEG stream (SOF3).
struct dng_ljpeg_frame {
    uint32 width = 0;       // samples per line
    uint32 height = 0;      // lines
    uint32 components = 0;
    uint32 precision = 0;
    uint32 predictor = 0;
    uint32 pointTransform = 0;
    uint32 restartInterval = 0;
    uint64 Samples() const { return uint64(width) * height * components; }
};

// Decoder of one lossless JPEG stream (Huffman, predictors 1-7, one interleaved scan).
// Any damage in the stream ends in the bad-format error.
class dng_lossless_decoder {
public:
    // Reads the stream in `data`, whose bytes must outlive the decoder. `oldDiff16` selects
    // the reading of a 16-bit difference of files older than DNG 1.1, which carry 16 extra
    // bits after it.
    explicit dng_lossless_decoder(dng_byte_view data, bool oldDiff16 = false);
    ~dng_lossless_decoder();

    // Reads the markers up to the start of the scan data.
    const dng_ljpeg_frame& ReadHeader();
    // Decodes the scan into `out`, which holds `Samples()` values, in scan order
    // (line, pixel, component). Values are not shifted by the point transform.
    void Decode(uint16* out);

private:
    struct Impl;
    Impl* fImpl;
};
