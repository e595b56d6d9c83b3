#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/kernel_grid_source.h"

namespace controls {

// A point in cell coordinates, x the column and y the row.
struct FloatPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// The 100 x 100 cell blur kernel the user describes. Each cell is set or
// not; a set cell carries the core colour (full weight) or, on the outer
// ring of a disc, the rim colour (half weight in disc mode). Row 0 and
// column 0 are never set. The grid editor widget derives from this class and
// adds painting and the mouse.
class KernelGrid : public engine::KernelGridSource {
public:
    static constexpr int kSize = 100;
    static constexpr int kCentre = 50;
    static constexpr uint32_t kNoColor = 0;

    using Event = std::function<void(KernelGrid* sender)>;

    // 0 free grid (motion blur), 1 disc (focus blur).
    int gridMode = 0;
    // Outer radius, in cells, of the disc that DrawCircle draws.
    int discRadius = 1;
    // Width, in cells, of the disc's rim ring.
    int rimWidth = 1;

    Event OnChange;
    Event OnEmpty;
    Event OnNotEmpty;

    // Cells outside the grid read as not set, colour 0.
    bool GetCell(int x, int y) const override;
    uint32_t GetCellColor(int x, int y) const override;
    int GridMode() const override { return gridMode; }
    void RequestRepaint() override {}

    bool IsNotEmpty() const;
    void Clear(bool notify);
    void SetMode(int mode);
    void ClickCell(int x, int y, bool notify, uint32_t color);
    void DrawCircle(int x, int y);
    void SetCircle(int radius, int x, int y);
    void DrawSpokes(FloatPoint p1, std::optional<FloatPoint> p2 = std::nullopt,
                    std::optional<FloatPoint> p3 = std::nullopt,
                    std::optional<FloatPoint> p4 = std::nullopt);
    void DoChanged();

    // Whether an operation may set cell (x, y): both indices in 1..99.
    static bool IsWritableCell(int x, int y);

protected:
    // Sets cell (x, y) with `color`, or clears it when `color` is kNoColor.
    // Cells that are not writable are left alone.
    void PutCell(int x, int y, uint32_t color);

private:
    static int IndexOf(int x, int y) { return x * kSize + y; }
    static bool IsInGrid(int x, int y);
    void SpokeTo(FloatPoint p);

    // x-major: cell (x, y) is element x * 100 + y.
    std::array<uint8_t, kSize * kSize> cells_{};
    std::array<uint32_t, kSize * kSize> cellColors_{};
};

}  // namespace controls
