#pragma once
#include <functional>

namespace controls {

// Pixel coverage of the two shapes the kernel grid is drawn with. Both are
// free of antialiasing and follow the rules of a one-pixel GDI pen.

using PixelVisitor = std::function<void(int x, int y)>;

// A straight line from (x0, y0) towards (x1, y1): covers its start pixel and
// stops before its end pixel, so a zero-length line covers nothing. Steps
// run along the longer axis; the other coordinate is rounded half away from
// the start, which keeps a line and its mirror image point-symmetric.
void ForEachLinePixel(int x0, int y0, int x1, int y1, const PixelVisitor& visit);

// A filled disc of radius r in the (2r + 1)-pixel square box whose top left
// pixel is (0, 0): pixel (i, j) is inside when its centre lies closer than
// r + 0.5 to the box centre (r, r). Only pixels with i, j < boxLimit are
// visited, as on a bitmap of that size. Negative r covers nothing.
void ForEachDiscPixel(int r, int boxLimit, const PixelVisitor& visit);

}  // namespace controls
