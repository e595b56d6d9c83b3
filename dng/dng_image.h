#pragma once
#include <memory>

#include "dng/dng_memory.h"
#include "dng/dng_pixel_buffer.h"

class dng_tile_buffer;

// An image: bounds, planes and one pixel type. Samples are reached through tile buffers.
class dng_image {
public:
    dng_image(const dng_rect& bounds, uint32 planes, uint32 pixelType);
    virtual ~dng_image() = default;
    dng_image(const dng_image&) = delete;
    dng_image& operator=(const dng_image&) = delete;

    const dng_rect& Bounds() const { return fBounds; }
    uint32 Width() const { return fBounds.W(); }
    uint32 Height() const { return fBounds.H(); }
    uint32 Planes() const { return fPlanes; }
    uint32 PixelType() const { return fPixelType; }
    uint32 PixelSize() const { return PixelTypeSize(fPixelType); }

    virtual std::unique_ptr<dng_image> Clone() const = 0;

    // Copies samples between an image and a buffer over the buffer's area.
    void Get(dng_pixel_buffer& buffer) const;
    void Put(const dng_pixel_buffer& buffer);

protected:
    friend class dng_tile_buffer;
    // Points `buffer` at the samples of `area` (inside the bounds).
    virtual void AcquireTileBuffer(dng_pixel_buffer& buffer, const dng_rect& area, bool dirty) const = 0;
    virtual void ReleaseTileBuffer(dng_pixel_buffer&) const {}

    dng_rect fBounds;
    uint32 fPlanes;
    uint32 fPixelType;
};

// Image held in one block of memory, one plane after another, rows contiguous.
class dng_simple_image : public dng_image {
public:
    dng_simple_image(const dng_rect& bounds, uint32 planes, uint32 pixelType, dng_memory_allocator& allocator);

    std::unique_ptr<dng_image> Clone() const override;
    // The whole image as one buffer.
    const dng_pixel_buffer& Buffer() const { return fBuffer; }
    dng_pixel_buffer& Buffer() { return fBuffer; }

protected:
    void AcquireTileBuffer(dng_pixel_buffer& buffer, const dng_rect& area, bool dirty) const override;

private:
    dng_memory_allocator& fAllocator;
    std::unique_ptr<uint8[]> fMemory;
    dng_pixel_buffer fBuffer;
};
