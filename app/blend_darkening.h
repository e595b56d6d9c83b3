#pragma once
#include <cstdint>

namespace app {

// The overlay darkens the window snapshot by laying a dark grey of 16 over
// it with a constant opacity of 143 out of 255, the same for every pixel.
constexpr int kDarkeningGrey = 16;
constexpr int kOverlayAlpha = 143;

// One channel of the snapshot under the overlay, rounded to the nearest
// level: white gives 121, black 9.
constexpr uint8_t DarkenChannel(uint8_t value) {
    return uint8_t((value * (255 - kOverlayAlpha) + kDarkeningGrey * kOverlayAlpha + 127) / 255);
}

}  // namespace app
