#include "engine/class_fft.h"

#include <cmath>
#include <utility>
#include <vector>

#include "engine/progress_status.h"
#include "engine/tile_transforms.h"

namespace engine {

bool ClassFFT::FFT1D(int direction, int m, double* re, double* im) {
    const long n = 1L << m;

    long j = 0;
    for (long i = 0; i < n - 1; ++i) {
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
        long k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }

    // Twiddles by the half-angle recurrence: no table, no trigonometric calls.
    double c1 = -1.0;
    double c2 = 0.0;
    long l2 = 1;
    for (int level = 0; level < m; ++level) {
        const long l1 = l2;
        l2 = 2 * l1;
        double u1 = 1.0;
        double u2 = 0.0;
        for (long jj = 0; jj < l1; ++jj) {
            for (long i = jj; i < n; i += l2) {
                const long i1 = i + l1;
                const double t1 = u1 * re[i1] - u2 * im[i1];
                const double t2 = u1 * im[i1] + u2 * re[i1];
                re[i1] = re[i] - t1;
                im[i1] = im[i] - t2;
                re[i] += t1;
                im[i] += t2;
            }
            const double z = u1 * c1 - u2 * c2;
            u2 = u1 * c2 + u2 * c1;
            u1 = z;
        }
        c2 = std::sqrt((1.0 - c1) / 2.0);
        if (direction == 1) c2 = -c2;
        c1 = std::sqrt((1.0 + c1) / 2.0);
    }
    return true;
}

bool ClassFFT::FFT2DCore(Complex* array, int n, double* tempReal, double* tempImag, int direction) {
    if (!tempReal || !tempImag) return false;
    const int m = int(std::log(double(n)) / std::log(2.0) + 0.5);

    for (int row = 0; row < n; ++row) {
        Complex* line = array + std::size_t(row) * n;
        for (int c = 0; c < n; ++c) {
            tempReal[c] = line[c].real();
            tempImag[c] = line[c].imag();
        }
        FFT1D(direction, m, tempReal, tempImag);
        for (int c = 0; c < n; ++c) line[c] = Complex(tempReal[c], tempImag[c]);
    }
    for (int col = 0; col < n; ++col) {
        Complex* top = array + col;
        for (int r = 0; r < n; ++r) {
            tempReal[r] = top[std::size_t(r) * n].real();
            tempImag[r] = top[std::size_t(r) * n].imag();
        }
        FFT1D(direction, m, tempReal, tempImag);
        for (int r = 0; r < n; ++r) top[std::size_t(r) * n] = Complex(tempReal[r], tempImag[r]);
    }
    return true;
}

void ClassFFT::FFT2D(Complex* array, int n, int direction, ProgressStatus* progress) {
    if (progress) progress->Restart(2 * n);
    // FFTW computes what FFT2DCore does, several times faster; direction 1 is its forward transform (sign -1).
    TileTransforms::Complex2D(array, n, direction == 1 ? -1 : 1);
}

}  // namespace engine
