#pragma once
#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

// Encodes test pictures with layouts the program's own encoder never writes
// (progressive, restart markers, other chroma subsampling, one component),
// straight through libjpeg.
struct TestEncoding {
    int quality = 100;
    int lumaH = 1;  // sampling factors of the first component
    int lumaV = 1;
    bool progressive = false;
    int restartRows = 0;  // restart interval in MCU rows, 0 for none
    // When 0 or more: progressive, one scan per AC coefficient and component,
    // each followed by this many successive-approximation refinements.
    int acRefinements = -1;
};

std::vector<uint8_t> EncodeForTest(const platform::Bitmap& bitmap, const TestEncoding& how);

// A smooth picture whose red rises to the right, green downwards and blue
// along the diagonal, so swapped channels or flipped rows show at once.
platform::Bitmap GradientBitmap(int width, int height, platform::PixelFormat format);
