#include "controls/kernel_grid.h"

#include <cmath>

#include "controls/grid_raster.h"

namespace controls {

namespace {

// Truncates toward zero; far-away coordinates are pulled in to a range
// where the line stepping cannot overflow. They lie off the grid anyway.
int TruncatedCoordinate(float v) {
    constexpr float kFar = 30000.0f;
    if (v > kFar)
        return static_cast<int>(kFar);
    if (v < -kFar)
        return -static_cast<int>(kFar);
    return static_cast<int>(v);
}

}  // namespace

bool KernelGrid::IsInGrid(int x, int y) {
    return x >= 0 && x < kSize && y >= 0 && y < kSize;
}

bool KernelGrid::IsWritableCell(int x, int y) {
    return x >= 1 && x < kSize && y >= 1 && y < kSize;
}

bool KernelGrid::GetCell(int x, int y) const {
    return IsInGrid(x, y) && cells_[IndexOf(x, y)] != 0;
}

uint32_t KernelGrid::GetCellColor(int x, int y) const {
    return IsInGrid(x, y) ? cellColors_[IndexOf(x, y)] : kNoColor;
}

void KernelGrid::PutCell(int x, int y, uint32_t color) {
    if (!IsWritableCell(x, y))
        return;
    cells_[IndexOf(x, y)] = color != kNoColor ? 1 : 0;
    cellColors_[IndexOf(x, y)] = color;
}

bool KernelGrid::IsNotEmpty() const {
    for (int x = 1; x < kSize; ++x)
        for (int y = 1; y < kSize; ++y)
            if (cells_[IndexOf(x, y)] != 0)
                return true;
    return false;
}

void KernelGrid::Clear(bool notify) {
    for (int x = 1; x < kSize; ++x)
        for (int y = 1; y < kSize; ++y)
            PutCell(x, y, kNoColor);
    if (notify) {
        RequestRepaint();
        DoChanged();
    }
}

void KernelGrid::SetMode(int mode) {
    gridMode = mode;
    if (mode == 1)
        ClickCell(kCentre, kCentre, true, kCoreColor);
}

void KernelGrid::ClickCell(int x, int y, bool notify, uint32_t color) {
    if (gridMode == 0) {
        if (!IsWritableCell(x, y))
            return;
        PutCell(x, y, GetCell(x, y) ? kNoColor : color);
        RequestRepaint();
        DoChanged();
        if (notify && OnChange)
            OnChange(this);
    } else if (gridMode == 1) {
        // The caller that wants the emptiness events asks for them itself.
        Clear(false);
        DrawCircle(x, y);
    }
}

void KernelGrid::DrawCircle(int x, int y) {
    const int outer = discRadius;
    ForEachDiscPixel(outer, kSize, [&](int i, int j) { PutCell(x - outer + i, y - outer + j, kRimColor); });
    const int inner = discRadius - rimWidth;
    ForEachDiscPixel(inner, kSize, [&](int i, int j) { PutCell(x - inner + i, y - inner + j, kCoreColor); });
    RequestRepaint();
}

void KernelGrid::SetCircle(int radius, int x, int y) {
    discRadius = radius;
    DrawCircle(x, y);
    DoChanged();
}

void KernelGrid::SpokeTo(FloatPoint p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return;
    ForEachLinePixel(kCentre, kCentre, TruncatedCoordinate(p.x), TruncatedCoordinate(p.y),
                     [&](int i, int j) { PutCell(i, j, kCoreColor); });
}

void KernelGrid::DrawSpokes(FloatPoint p1, std::optional<FloatPoint> p2, std::optional<FloatPoint> p3,
                            std::optional<FloatPoint> p4) {
    SpokeTo(p1);
    for (const auto& p : {p2, p3, p4})
        if (p)
            SpokeTo(*p);
    DoChanged();
}

void KernelGrid::DoChanged() {
    if (IsNotEmpty()) {
        if (OnNotEmpty)
            OnNotEmpty(this);
    } else if (OnEmpty) {
        OnEmpty(this);
    }
}

}  // namespace controls
