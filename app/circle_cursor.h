#pragma once
#include <QCursor>
#include <QImage>

namespace app {

// The two 8-bit grey pictures of the circle-placing cursor, 200 x 200: the
// mask (white is see-through, black opaque) and the colour picture drawn on
// it where the mask is black. Both show two rings and a small cross.
struct CircleCursorPictures {
    QImage mask;
    QImage colour;
};

constexpr int kCircleCursorSize = 200;
constexpr int kCircleCursorHotSpot = 100;

CircleCursorPictures DrawCircleCursorPictures();

// The mask and colour picture as one picture with transparency.
QImage CombineCursorPictures(const CircleCursorPictures& pictures);

// The cursor itself, hot spot in the middle of the cross.
QCursor MakeCircleCursor();

}  // namespace app
