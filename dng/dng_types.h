#pragma once
#include <cstdint>

// Integer and real names of the DNG layer's interfaces.
using uint8 = std::uint8_t;
using uint16 = std::uint16_t;
using uint32 = std::uint32_t;
using uint64 = std::uint64_t;
using int8 = std::int8_t;
using int16 = std::int16_t;
using int32 = std::int32_t;
using int64 = std::int64_t;
using real32 = float;
using real64 = double;

// Pixel types, numbered as TIFF field types.
enum : uint32 {
    ttByte = 1,
    ttShort = 3,
    ttLong = 4,
    ttSShort = 8,
    ttFloat = 11,
};
