#pragma once
#include <functional>

#include "engine/int_plane.h"

namespace engine {

// The edge mask of a run: Sobel response of `in` (height x width) scaled to
// `white`, lowered by `threshold`, smoothed by the 5 x 5 Gaussian; 0 where
// deblurring is left out. Bands of rows run on the worker threads; `stop` is asked
// between them (see RunParallel). Returns false, `mask` incomplete, when stopped.
// The mask never exceeds `white`: a SamplePlane holds it when `white` fits 16 bits.
template <typename MaskPlane>
bool EdgeMask(const SamplePlane& in, int height, int width, int white, int threshold, MaskPlane& mask,
              const std::function<bool()>& stop);

}  // namespace engine
