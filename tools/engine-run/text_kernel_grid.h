#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "engine/kernel_grid_source.h"

namespace enginerun {

// A kernel grid given as text: 100 lines of 100 characters, line index y,
// character index x; '.' not set, 'c' core colour, 'r' rim colour.
class TextKernelGrid : public engine::KernelGridSource {
public:
    static constexpr int kSize = 100;

    // Throws FileError (pgm_image.h) naming the first bad line.
    static TextKernelGrid Parse(const std::string& text);
    static TextKernelGrid ReadFile(const std::string& path);

    bool GetCell(int x, int y) const override { return ColorAt(x, y) != 0; }
    uint32_t GetCellColor(int x, int y) const override { return ColorAt(x, y); }
    int GridMode() const override { return gridMode; }
    void RequestRepaint() override {}

    int gridMode = 0;

private:
    uint32_t ColorAt(int x, int y) const {
        return x >= 0 && y >= 0 && x < kSize && y < kSize ? colors_[x * kSize + y] : 0;
    }

    std::array<uint32_t, kSize * kSize> colors_{};
};

}  // namespace enginerun
