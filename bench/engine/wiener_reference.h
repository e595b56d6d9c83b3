#pragma once
#include "engine/memory_plane16.h"

namespace enginebench {

// Seconds of a whole-plane Wiener deconvolution of `plane` by a horizontal
// line of `length` samples, as a yardstick for the engine: single-precision
// real-input FFTW transforms of the plane and the kernel on all cores, the
// filter conj(K) / (|K|^2 + 0.01), the inverse transform and the samples
// back to 16 bits. Planning is not timed. The plane is overwritten.
double WienerSeconds(engine::MemoryPlane16& plane, int length);

}  // namespace enginebench
