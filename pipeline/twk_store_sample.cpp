#include "pipeline/class_twk_host.h"

// One virtual call per demosaiced sample: keep it to index arithmetic and a store.
void TWKNegative::StoreSample(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, uint32 offset,
                              uint32 value) {
    const uint64 w4 = W & ~3u;
    const int64 col = int64(firstCol) + offset;
    if (plane > 2 || row < 0 || uint32(row) >= H || col < 0 || uint64(col) >= w4) return;
    const uint64 index = ((uint64(H - 1 - uint32(row)) * w4 + uint64(col)) * 3) + (2 - plane);
    if (index >= kMaxWorkPixels * 3) return;
    WorkImage[index] = static_cast<uint16>(value);
}
