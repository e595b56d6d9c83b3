#include "dng/dng_pixel_buffer.h"

#include <cstring>

#include "dng/dng_exceptions.h"

uint32 PixelTypeSize(uint32 pixelType) {
    switch (pixelType) {
        case ttByte: return 1;
        case ttShort: case ttSShort: return 2;
        case ttLong: case ttFloat: return 4;
        default: return 0;
    }
}

int64 dng_pixel_buffer::Offset(int32 row, int32 col, uint32 plane) const {
    return int64(row - fArea.t) * fRowStep + int64(col - fArea.l) * fColStep + (int64(plane) - int64(fPlane)) * fPlaneStep;
}

const uint16* dng_pixel_buffer::ConstPixel_uint16(int32 row, int32 col, uint32 plane) const {
    if (fPixelType != ttShort) ThrowProgramError("Pixel type access mismatch");
    return static_cast<const uint16*>(fData) + Offset(row, col, plane);
}

uint16* dng_pixel_buffer::DirtyPixel_uint16(int32 row, int32 col, uint32 plane) {
    if (fPixelType != ttShort) ThrowProgramError("Pixel type access mismatch");
    return static_cast<uint16*>(fData) + Offset(row, col, plane);
}

const uint8* dng_pixel_buffer::ConstPixel_uint8(int32 row, int32 col, uint32 plane) const {
    if (fPixelType != ttByte) ThrowProgramError("Pixel type access mismatch");
    return static_cast<const uint8*>(fData) + Offset(row, col, plane);
}

void dng_pixel_buffer::CopyArea(const dng_pixel_buffer& src, const dng_rect& area, uint32 srcPlane, uint32 dstPlane,
                                uint32 planes) {
    if (src.fPixelType != fPixelType) ThrowProgramError("Pixel type access mismatch");
    const dng_rect overlap = area & fArea & src.fArea;
    if (overlap.IsEmpty()) return;
    const uint32 size = fPixelSize;
    for (uint32 p = 0; p < planes; ++p) {
        for (int32 row = overlap.t; row < overlap.b; ++row) {
            const uint8* s = static_cast<const uint8*>(src.fData) + src.Offset(row, overlap.l, srcPlane + p) * size;
            uint8* d = static_cast<uint8*>(fData) + Offset(row, overlap.l, dstPlane + p) * size;
            if (fColStep == 1 && src.fColStep == 1) {
                std::memcpy(d, s, size_t(overlap.W()) * size);
            } else {
                for (uint32 c = 0; c < overlap.W(); ++c)
                    std::memcpy(d + int64(c) * fColStep * size, s + int64(c) * src.fColStep * size, size);
            }
        }
    }
}
