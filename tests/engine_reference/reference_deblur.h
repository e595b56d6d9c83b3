#pragma once
#include "engine/class_fft.h"
#include "platform/image_plane16.h"

namespace enginetest {

// The engine as it was before its transforms moved to FFTW and its tiles to
// worker threads: one tile after the other, complex transforms of the
// engine's own FFT2D, each tile writing its whole window. Kept so that the
// engine's output can be compared with it. Channel 0, a raw plane, no
// progress and no cancel; reads the settings and circles of `settings`.
void ReferenceDeblur(const engine::ClassFFT& settings, platform::ImagePlane16& image, int rowOffset, int columnOffset,
                     int white);

}  // namespace enginetest
