#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

// H rows of W ints in one block: the engine's copies of a plane.
struct IntPlane {
    IntPlane(int h, int w) : width(w), data(std::size_t(h) * std::size_t(w)) {}
    int32_t* Row(int r) { return data.data() + std::size_t(r) * width; }
    const int32_t* Row(int r) const { return data.data() + std::size_t(r) * width; }

    int width;
    std::vector<int32_t> data;
};

}  // namespace engine
