#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/image_plane16.h"

namespace engine {

// A 16-bit plane held in memory, rows contiguous; for tools and tests.
class MemoryPlane16 : public platform::ImagePlane16 {
public:
    MemoryPlane16(int width, int height)
        : width_(width), height_(height), samples_(std::size_t(width) * std::size_t(height)) {}

    int Height() const override { return height_; }
    int Width() const override { return width_; }
    const uint16_t* Row(int row) const override { return samples_.data() + std::size_t(row) * width_; }
    uint16_t* MutableRow(int row) override { return samples_.data() + std::size_t(row) * width_; }

    uint16_t At(int row, int col) const { return Row(row)[col]; }
    void Set(int row, int col, uint16_t value) { MutableRow(row)[col] = value; }
    std::vector<uint16_t>& Samples() { return samples_; }
    const std::vector<uint16_t>& Samples() const { return samples_; }

private:
    int width_;
    int height_;
    std::vector<uint16_t> samples_;
};

}  // namespace engine
