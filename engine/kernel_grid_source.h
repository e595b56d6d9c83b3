#pragma once
#include <cstdint>

namespace engine {

// What the engine reads of the kernel grid control. The grid is 100 x 100
// cells addressed (x, y), x the column and y the row, centre cell (50, 50).
class KernelGridSource {
public:
    static constexpr uint32_t kCoreColor = 0x008000;
    static constexpr uint32_t kRimColor = 0xD2D200;

    virtual ~KernelGridSource() = default;
    virtual bool GetCell(int x, int y) const = 0;
    virtual uint32_t GetCellColor(int x, int y) const = 0;
    // 0 free grid (every set cell weighs fully), 1 disc (rim cells weigh half).
    virtual int GridMode() const = 0;
    // Ask the control that shows the grid to repaint itself.
    virtual void RequestRepaint() = 0;
};

}  // namespace engine
