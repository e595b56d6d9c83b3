#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine {

// H rows of W samples in one block: the engine's copies of a plane. The block
// is left uninitialised: every user fills all of it, on the worker threads, so
// its pages are first touched there rather than cleared on the calling thread.
template <typename Sample>
struct PlaneOf {
    PlaneOf(int h, int w) : width(w), data(new Sample[std::size_t(h) * std::size_t(w)]) {}
    Sample* Row(int r) { return data.get() + std::size_t(r) * width; }
    const Sample* Row(int r) const { return data.get() + std::size_t(r) * width; }

    int width;
    std::unique_ptr<Sample[]> data;
};

// The plane read in (16-bit raw samples or 8-bit bitmap values), and the edge
// mask of a run whose white level 16 bits hold.
using SamplePlane = PlaneOf<uint16_t>;
// The edge mask, which reaches the white level, of a run whose white level is above 16 bits.
using IntPlane = PlaneOf<int32_t>;

}  // namespace engine
