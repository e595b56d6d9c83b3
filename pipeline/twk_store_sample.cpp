#include <algorithm>

#include "pipeline/class_twk_host.h"

// The single-sample hook; the demosaic hands whole row segments to StoreRow below.
void TWKNegative::StoreSample(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, uint32 offset,
                              uint32 value) {
    const uint64 w4 = W & ~3u;
    const int64 col = int64(firstCol) + offset;
    if (plane > 2 || row < 0 || uint32(row) >= H || col < 0 || uint64(col) >= w4) return;
    const uint64 index = ((uint64(H - 1 - uint32(row)) * w4 + uint64(col)) * 3) + (2 - plane);
    if (index >= kMaxWorkPixels * 3) return;
    WorkImage[index] = static_cast<uint16>(value);
}

void TWKNegative::StoreRow(uint32 H, uint32 W, int32 row, int32 firstCol, uint32 plane, const uint16* values,
                           uint32 count) {
    const int64 w4 = W & ~3u;
    if (plane > 2 || row < 0 || uint32(row) >= H) return;
    // Index of column col: base + 3 col, kept below the end of WorkImage.
    const uint64 base = uint64(H - 1 - uint32(row)) * uint64(w4) * 3 + (2 - plane);
    const uint64 end = kMaxWorkPixels * 3;
    if (base >= end) return;
    const int64 endCol = std::min<int64>(w4, int64((end - 1 - base) / 3) + 1);
    const int64 first = std::max<int64>(0, -int64(firstCol));
    const int64 last = std::min<int64>(count, endCol - firstCol);
    uint16* out = WorkImage.get() + base;
    for (int64 j = first; j < last; ++j) out[3 * (firstCol + j)] = values[j];
}
