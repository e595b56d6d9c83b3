#include "engine/tile_transforms.h"

#include <fftw3.h>

#include <map>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace engine {
namespace {

// Every plan the process made, destroyed at exit together with FFTW's planner
// state, so that nothing of FFTW outlives the program's own statics.
class PlanStore {
public:
    ~PlanStore() {
        for (fftw_plan plan : owned_) fftw_destroy_plan(plan);
        fftw_cleanup();
    }
    // Takes ownership of `plan`; throws std::bad_alloc when FFTW could not plan.
    fftw_plan Keep(fftw_plan plan) {
        if (!plan) throw std::bad_alloc();
        owned_.push_back(plan);
        return plan;
    }

private:
    std::vector<fftw_plan> owned_;
};

PlanStore& Plans() {
    static PlanStore store;
    return store;
}

}  // namespace

void TileTransforms::FreeBuffer::operator()(double* p) const { fftw_free(p); }

TileTransforms::Buffer TileTransforms::NewBuffer() {
    double* p = fftw_alloc_real(BufferDoubles());
    if (!p) throw std::bad_alloc();
    return Buffer(p);
}

TileTransforms::TileTransforms() {
    // Estimated plans: measuring would cost most of a second in every process
    // for about a tenth of a second saved on a 24-megapixel plane.
    Buffer scratch = NewBuffer();
    double* real = scratch.get();
    auto* spectrum = reinterpret_cast<fftw_complex*>(scratch.get());
    forward_ = Plans().Keep(fftw_plan_dft_r2c_2d(N, N, real, spectrum, FFTW_ESTIMATE));
    inverse_ = Plans().Keep(fftw_plan_dft_c2r_2d(N, N, spectrum, real, FFTW_ESTIMATE));
}

const TileTransforms& TileTransforms::Get() {
    static std::mutex planning;
    std::lock_guard<std::mutex> lock(planning);
    static const TileTransforms transforms;
    return transforms;
}

void TileTransforms::Complex2D(std::complex<double>* array, int n, int sign) {
    static std::mutex planning;
    static std::map<std::pair<int, int>, fftw_plan> plans;
    auto* data = reinterpret_cast<fftw_complex*>(array);
    fftw_plan plan = nullptr;
    {
        std::lock_guard<std::mutex> lock(planning);
        fftw_plan& known = plans[{n, sign}];
        if (!known) {
            // Planned on a scratch array, so callers' arrays of any alignment can be transformed.
            fftw_complex* scratch = fftw_alloc_complex(std::size_t(n) * std::size_t(n));
            if (!scratch) throw std::bad_alloc();
            const fftw_plan made = fftw_plan_dft_2d(n, n, scratch, scratch, sign, FFTW_ESTIMATE | FFTW_UNALIGNED);
            fftw_free(scratch);
            known = Plans().Keep(made);
        }
        plan = known;
    }
    fftw_execute_dft(plan, data, data);
}

void TileTransforms::Forward(double* buffer) const {
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forward_), buffer, reinterpret_cast<fftw_complex*>(buffer));
}

void TileTransforms::Inverse(double* buffer) const {
    fftw_execute_dft_c2r(static_cast<fftw_plan>(inverse_), reinterpret_cast<fftw_complex*>(buffer), buffer);
}

}  // namespace engine
