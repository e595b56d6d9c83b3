#pragma once
#include <QColor>
#include <cstdint>

#include "platform/bitmap.h"

namespace controls {

// A colour value in the class library's order 0x00BBGGRR as a QColor.
inline QColor ToQColor(uint32_t bbggrr) {
    return QColor(platform::RedOf(bbggrr), platform::GreenOf(bbggrr), platform::BlueOf(bbggrr));
}

}  // namespace controls
