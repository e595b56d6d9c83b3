#pragma once
#include "dng/dng_image.h"

// Access to the samples of one area of an image for the lifetime of the object.
class dng_tile_buffer : public dng_pixel_buffer {
public:
    ~dng_tile_buffer();
    dng_tile_buffer(const dng_tile_buffer&) = delete;
    dng_tile_buffer& operator=(const dng_tile_buffer&) = delete;

protected:
    dng_tile_buffer(const dng_image& image, const dng_rect& area, bool dirty);

private:
    const dng_image& fImage;
};

class dng_const_tile_buffer : public dng_tile_buffer {
public:
    dng_const_tile_buffer(const dng_image& image, const dng_rect& area) : dng_tile_buffer(image, area, false) {}
};

// Writes through this buffer reach the image when the buffer ends.
class dng_dirty_tile_buffer : public dng_tile_buffer {
public:
    dng_dirty_tile_buffer(dng_image& image, const dng_rect& area) : dng_tile_buffer(image, area, true) {}
};
