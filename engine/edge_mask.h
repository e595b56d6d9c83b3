#pragma once
#include <functional>

#include "engine/int_plane.h"

namespace engine {

// The edge mask of a run: Sobel response of `in` (height x width) scaled to
// `white`, lowered by `threshold`, smoothed by the 5 x 5 Gaussian; 0 where
// deblurring is left out. Rows run on the worker threads; `stop` is asked
// between them (see RunParallel). Returns false, `mask` incomplete, when stopped.
bool EdgeMask(const IntPlane& in, int height, int width, int white, int threshold, IntPlane& mask,
              const std::function<bool()>& stop);

}  // namespace engine
