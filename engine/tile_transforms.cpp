#include "engine/tile_transforms.h"

#include <fftw3.h>

#include <mutex>
#include <new>

namespace engine {

void TileTransforms::FreeBuffer::operator()(double* p) const { fftw_free(p); }

TileTransforms::Buffer TileTransforms::NewBuffer() {
    double* p = fftw_alloc_real(BufferDoubles());
    if (!p) throw std::bad_alloc();
    return Buffer(p);
}

TileTransforms::TileTransforms() {
    // Measured plans cost a fraction of a second once per process and run
    // clearly faster than estimated ones over the many tiles of a photo.
    Buffer scratch = NewBuffer();
    double* real = scratch.get();
    auto* spectrum = reinterpret_cast<fftw_complex*>(scratch.get());
    forward_ = fftw_plan_dft_r2c_2d(N, N, real, spectrum, FFTW_MEASURE);
    inverse_ = fftw_plan_dft_c2r_2d(N, N, spectrum, real, FFTW_MEASURE);
    if (!forward_ || !inverse_) throw std::bad_alloc();
}

const TileTransforms& TileTransforms::Get() {
    static std::mutex planning;
    std::lock_guard<std::mutex> lock(planning);
    // Kept for the life of the process, like FFTW's own planner state.
    static const TileTransforms* transforms = new TileTransforms();
    return *transforms;
}

void TileTransforms::Forward(double* buffer) const {
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forward_), buffer, reinterpret_cast<fftw_complex*>(buffer));
}

void TileTransforms::Inverse(double* buffer) const {
    fftw_execute_dft_c2r(static_cast<fftw_plan>(inverse_), reinterpret_cast<fftw_complex*>(buffer), buffer);
}

}  // namespace engine
