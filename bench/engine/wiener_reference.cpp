#include "wiener_reference.h"

#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <complex>
#include <thread>

namespace enginebench {
namespace {

struct FloatBuffer {
    explicit FloatBuffer(std::size_t n) : data(fftwf_alloc_real(n)) {}
    ~FloatBuffer() { fftwf_free(data); }
    float* data;
};

struct SpectrumBuffer {
    explicit SpectrumBuffer(std::size_t n) : data(fftwf_alloc_complex(n)) {}
    ~SpectrumBuffer() { fftwf_free(data); }
    fftwf_complex* data;
};

}  // namespace

double WienerSeconds(engine::MemoryPlane16& plane, int length) {
    const int h = plane.Height(), w = plane.Width();
    const std::size_t samples = std::size_t(h) * w, half = std::size_t(h) * (w / 2 + 1);
    FloatBuffer real(samples);
    SpectrumBuffer spectrum(half), kernel(half);

    fftwf_init_threads();
    fftwf_plan_with_nthreads(int(std::max(1u, std::thread::hardware_concurrency())));
    fftwf_plan forward = fftwf_plan_dft_r2c_2d(h, w, real.data, spectrum.data, FFTW_ESTIMATE);
    fftwf_plan inverse = fftwf_plan_dft_c2r_2d(h, w, spectrum.data, real.data, FFTW_ESTIMATE);

    const auto start = std::chrono::steady_clock::now();
    std::fill(real.data, real.data + samples, 0.0f);
    for (int i = 0; i < length; ++i) real.data[(i - length / 2 + w) % w] = 1.0f / float(length);
    fftwf_execute_dft_r2c(forward, real.data, kernel.data);
    for (int r = 0; r < h; ++r) {
        const uint16_t* src = plane.Row(r);
        std::copy(src, src + w, real.data + std::size_t(r) * w);
    }
    fftwf_execute(forward);
    auto* x = reinterpret_cast<std::complex<float>*>(spectrum.data);
    const auto* k = reinterpret_cast<const std::complex<float>*>(kernel.data);
    for (std::size_t i = 0; i < half; ++i) x[i] *= std::conj(k[i]) / (std::norm(k[i]) + 0.01f);
    fftwf_execute(inverse);
    const float scale = 1.0f / float(samples);
    for (int r = 0; r < h; ++r) {
        const float* src = real.data + std::size_t(r) * w;
        uint16_t* dst = plane.MutableRow(r);
        for (int c = 0; c < w; ++c) dst[c] = uint16_t(std::min(std::max(src[c] * scale, 0.0f), 65535.0f));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(inverse);
    return seconds;
}

}  // namespace enginebench
