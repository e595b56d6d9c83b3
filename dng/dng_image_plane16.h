#pragma once
#include "dng/dng_tile_buffer.h"
#include "platform/image_plane16.h"

// The engine's view of plane 0 of a 16-bit image. Rows are the image's own
// memory, so writes are in the image at once.
class dng_image_plane16 : public platform::ImagePlane16 {
public:
    // Reports "Pixel type access mismatch" for an image of another pixel type.
    explicit dng_image_plane16(dng_image& image);

    int Height() const override { return static_cast<int>(fBuffer.fArea.H()); }
    int Width() const override { return static_cast<int>(fBuffer.fArea.W()); }
    const uint16_t* Row(int row) const override;
    uint16_t* MutableRow(int row) override;

private:
    dng_dirty_tile_buffer fBuffer;
};
