#pragma once
#include <complex>
#include <cstddef>
#include <memory>

namespace engine {

// FFTW's real-input transforms of one N x N tile of the engine, in place.
// A tile buffer holds N rows of Stride() doubles: N samples and room for the
// half spectrum, N x (N/2 + 1) complex values, in the same memory.
class TileTransforms {
public:
    static constexpr int N = 512;
    static constexpr int Stride() { return 2 * (N / 2 + 1); }
    static constexpr std::size_t BufferDoubles() { return std::size_t(N) * Stride(); }

    // The process's transforms, planned on the first call. Planning is not
    // thread-safe in FFTW: the first call must come from the calling thread of
    // a run, never from its workers. Throws std::bad_alloc when FFTW cannot plan.
    static const TileTransforms& Get();

    struct FreeBuffer {
        void operator()(double* p) const;
    };
    using Buffer = std::unique_ptr<double[], FreeBuffer>;
    // A buffer aligned as the plans expect; throws std::bad_alloc.
    static Buffer NewBuffer();

    // Complex n x n transform in place, unscaled; sign -1 forward, +1 inverse
    // (FFTW's convention). Plans one per size and direction on first use:
    // calling thread only. Throws std::bad_alloc when FFTW cannot plan.
    static void Complex2D(std::complex<double>* array, int n, int sign);

    // Safe on any thread, each with its own buffer.
    void Forward(double* buffer) const;  // samples -> half spectrum
    void Inverse(double* buffer) const;  // half spectrum -> samples times N^2

private:
    TileTransforms();
    void* forward_;
    void* inverse_;
};

}  // namespace engine
