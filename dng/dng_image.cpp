#include "dng/dng_image.h"

#include "dng/dng_exceptions.h"
#include "dng/dng_tile_buffer.h"

dng_image::dng_image(const dng_rect& bounds, uint32 planes, uint32 pixelType)
    : fBounds(bounds), fPlanes(planes), fPixelType(pixelType) {
    if (PixelTypeSize(pixelType) == 0) ThrowProgramError("Unsupported pixel type");
    if (planes == 0 || bounds.IsEmpty()) ThrowProgramError("Empty image");
}

void dng_image::Get(dng_pixel_buffer& buffer) const {
    const dng_rect area = buffer.fArea & fBounds;
    if (area.IsEmpty()) return;
    dng_const_tile_buffer tile(*this, area);
    buffer.CopyArea(tile, area, buffer.fPlane, buffer.fPlane, buffer.fPlanes);
}

void dng_image::Put(const dng_pixel_buffer& buffer) {
    const dng_rect area = buffer.fArea & fBounds;
    if (area.IsEmpty()) return;
    dng_dirty_tile_buffer tile(*this, area);
    tile.CopyArea(buffer, area, buffer.fPlane, buffer.fPlane, buffer.fPlanes);
}

dng_simple_image::dng_simple_image(const dng_rect& bounds, uint32 planes, uint32 pixelType,
                                   dng_memory_allocator& allocator)
    : dng_image(bounds, planes, pixelType), fAllocator(allocator) {
    const uint64 samples = uint64(bounds.W()) * bounds.H() * planes;
    fMemory = allocator.Allocate(samples, PixelSize());
    fBuffer.fArea = bounds;
    fBuffer.fPlane = 0;
    fBuffer.fPlanes = planes;
    fBuffer.fColStep = 1;
    fBuffer.fRowStep = static_cast<int32>(bounds.W());
    fBuffer.fPlaneStep = static_cast<int32>(uint64(bounds.W()) * bounds.H());
    if (uint64(bounds.W()) * bounds.H() > 0x7FFFFFFFu) ThrowMemoryFull("Image plane too large");
    fBuffer.fPixelType = pixelType;
    fBuffer.fPixelSize = PixelSize();
    fBuffer.fData = fMemory.get();
}

std::unique_ptr<dng_image> dng_simple_image::Clone() const {
    auto copy = std::make_unique<dng_simple_image>(fBounds, fPlanes, fPixelType, fAllocator);
    CopyBlock(copy->fMemory.get(), fMemory.get(), uint64(fBuffer.fPlaneStep) * fPlanes * PixelSize());
    return copy;
}

void dng_simple_image::AcquireTileBuffer(dng_pixel_buffer& buffer, const dng_rect& area, bool dirty) const {
    if (!RectInside(area, fBounds)) ThrowProgramError("Tile buffer outside the image");
    buffer = fBuffer;
    buffer.fArea = area;
    buffer.fDirty = dirty;
    buffer.fData = static_cast<uint8*>(fBuffer.fData) +
                   (int64(area.t - fBounds.t) * fBuffer.fRowStep + (area.l - fBounds.l)) * fBuffer.fPixelSize;
}

dng_tile_buffer::dng_tile_buffer(const dng_image& image, const dng_rect& area, bool dirty) : fImage(image) {
    image.AcquireTileBuffer(*this, area, dirty);
}

dng_tile_buffer::~dng_tile_buffer() { fImage.ReleaseTileBuffer(*this); }
