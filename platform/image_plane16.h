#pragma once
#include <cstdint>

namespace platform {

// Narrow view of plane 0 of an image with 16-bit unsigned samples whose
// bounds begin at row 0, column 0. The DNG layer's image provides one; tests
// and tools use an in-memory plane. Writes are visible to the image once
// Commit has been called (an image backed by tiles may buffer them).
class ImagePlane16 {
public:
    virtual ~ImagePlane16() = default;
    virtual int Height() const = 0;
    virtual int Width() const = 0;
    // Samples of one row, `Width()` of them, contiguous.
    virtual const uint16_t* Row(int row) const = 0;
    virtual uint16_t* MutableRow(int row) = 0;
    virtual void Commit() {}
};

}  // namespace platform
