#pragma once
#include <cstdint>
#include <vector>

// Small lossless JPEG (SOF3) encoder for test fixtures.
struct LJpegParams {
    uint32_t width = 0;       // samples per line
    uint32_t height = 0;      // lines
    uint32_t components = 1;
    uint32_t precision = 16;
    uint32_t predictor = 1;   // 1..7
    uint32_t restartRows = 0; // lines between restart markers, 0 for none
};

// `samples` holds width x height x components values in scan order.
std::vector<uint8_t> EncodeLosslessJPEG(const LJpegParams& params, const std::vector<uint16_t>& samples);
