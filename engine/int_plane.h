#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine {

// H rows of W ints in one block: the engine's copies of a plane. The block is
// left uninitialised: every user fills all of it, on the worker threads, so its
// pages are first touched there rather than cleared on the calling thread.
struct IntPlane {
    IntPlane(int h, int w) : width(w), data(new int32_t[std::size_t(h) * std::size_t(w)]) {}
    int32_t* Row(int r) { return data.get() + std::size_t(r) * width; }
    const int32_t* Row(int r) const { return data.get() + std::size_t(r) * width; }

    int width;
    std::unique_ptr<int32_t[]> data;
};

}  // namespace engine
