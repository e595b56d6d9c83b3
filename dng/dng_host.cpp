#include "dng/dng_host.h"

#include <algorithm>

#include "dng/dng_negative.h"

dng_host::dng_host(dng_memory_allocator* allocator)
    : fAllocator(allocator ? allocator : &gDefaultDNGMemoryAllocator()) {}

void dng_host::ValidateSizes() {
    if (fMaximumSize != 0) {
        if (fPreferredSize != 0) fPreferredSize = std::min(fPreferredSize, fMaximumSize);
        if (fMinimumSize != 0) fMinimumSize = std::min(fMinimumSize, fMaximumSize);
    }
    if (fPreferredSize != 0 && fMinimumSize != 0) fMinimumSize = std::min(fMinimumSize, fPreferredSize);
    if (fPreferredSize == 0) fPreferredSize = fMaximumSize;
    if (fMinimumSize == 0 && fPreferredSize != 0) {
        // Renders of standard preview sizes may start from the next smaller standard size.
        const uint32 steps[][2] = {{160, 256}, {490, 512}, {980, 1024}, {1470, 1536}, {1960, 2048}};
        fMinimumSize = fPreferredSize;
        for (const auto& step : steps)
            if (fPreferredSize >= step[0] && fPreferredSize <= step[1]) fMinimumSize = step[0];
    }
}

std::unique_ptr<dng_image> dng_host::Make_dng_image(const dng_rect& bounds, uint32 planes, uint32 pixelType) {
    return std::make_unique<dng_simple_image>(bounds, planes, pixelType, Allocator());
}

std::unique_ptr<dng_negative> dng_host::Make_dng_negative() { return dng_negative::Make(Allocator()); }
