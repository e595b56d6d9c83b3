#include "dng/dng_image_plane16.h"

#include "dng/dng_exceptions.h"

dng_image_plane16::dng_image_plane16(dng_image& image) : fBuffer(image, image.Bounds()) {
    if (fBuffer.fPixelType != ttShort) ThrowProgramError("Pixel type access mismatch");
    if (fBuffer.fColStep != 1) ThrowProgramError("Image plane samples are not contiguous");
}

const uint16_t* dng_image_plane16::Row(int row) const {
    return fBuffer.ConstPixel_uint16(fBuffer.fArea.t + row, fBuffer.fArea.l, 0);
}

uint16_t* dng_image_plane16::MutableRow(int row) {
    return fBuffer.DirtyPixel_uint16(fBuffer.fArea.t + row, fBuffer.fArea.l, 0);
}
