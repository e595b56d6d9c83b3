#pragma once
#include <QColor>
#include <algorithm>
#include <cstdint>

#include "platform/bitmap.h"

namespace app {

// Grey level of the circle overlay's see-through colour: where the overlay has
// this grey, the result patch under it shows.
constexpr uint8_t kOverlayTransparent = 0x80;

inline QColor OverlayTransparentColor() { return QColor(kOverlayTransparent, kOverlayTransparent, kOverlayTransparent); }

// An overlay with no circle drawn on it.
inline void ClearOverlay(platform::Bitmap& overlay) {
    std::fill(overlay.Bits(), overlay.Bits() + overlay.ByteSize(), kOverlayTransparent);
}

}  // namespace app
