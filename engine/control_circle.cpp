#include "engine/control_circle.h"

#include <cmath>
#include <cstdlib>

namespace engine {
namespace {
constexpr int kMaxTransitionPercent = 80;
}

ControlCircle::ControlCircle(int y, int x) : y(y), x(x) { UpdateBounds(); }

double ControlCircle::LargerRadius() const { return radiusX > radiusY ? radiusX : radiusY; }

void ControlCircle::UpdateBounds() {
    left = int(x - radiusX);
    top = int(y - radiusY);
    right = int(x + radiusX);
    bottom = int(y + radiusY);
}

void ControlCircle::UpdateTransitionWidth() {
    transitionWidth = int(0.01 * LargerRadius() * transitionPercent);
}

int ControlCircle::Depth(int py, int px) const {
    if (py < top || py > bottom || px < left || px > right) return -1;
    if (radiusX == 0.0 || radiusY == 0.0) return -1;

    // Stretch the shorter axis so the ellipse becomes a circle of the larger radius.
    double larger;
    int sx = px;
    int sy = py;
    if (radiusY >= radiusX) {
        larger = radiusY;
        const double s = (radiusY / radiusX) * std::fabs(float(px - x));
        sx = px > x ? int(x + s) : int(x - s);
    } else {
        larger = radiusX;
        const double s = (radiusX / radiusY) * std::fabs(float(py - y));
        sy = py > y ? int(y + s) : int(y - s);
    }
    const double dx = std::abs(x - sx);
    const double dy = std::abs(y - sy);
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d > larger) return -1;
    return int(larger - d);
}

void ControlCircle::SetSize(int newRadiusX, int newRadiusY, int percent) {
    radiusX = newRadiusX;
    radiusY = newRadiusY;
    SetTransition(percent);
    UpdateBounds();
}

void ControlCircle::SetRadiusKeepAspect(int r) {
    if (LargerRadius() == 0.0) {
        // No aspect to keep: a degenerate ellipse grows into a circle.
        radiusX = r;
        radiusY = r;
    } else if (radiusX <= radiusY) {
        const double old = radiusY;
        radiusY = r;
        radiusX = radiusX + (r - old) / (old / radiusX);
    } else {
        const double old = radiusX;
        radiusX = r;
        radiusY = radiusY + (r - old) / (old / radiusY);
    }
    UpdateTransitionWidth();
    UpdateBounds();
}

void ControlCircle::SetTransition(int percent) {
    transitionPercent = percent > kMaxTransitionPercent ? kMaxTransitionPercent : percent;
    UpdateTransitionWidth();
}

void ControlCircle::MoveTo(int newY, int newX) {
    y = newY;
    x = newX;
    UpdateBounds();
}

int ControlCircle::MaxRadius() const { return int(LargerRadius()); }

bool ControlCircle::OnTopHandle(int py, int px) const {
    return top - 6 < py && py < top + 5 && std::abs(px - x) < 5;
}

bool ControlCircle::OnRightHandle(int py, int px) const {
    return right - 5 < px && px < right + 6 && std::abs(py - y) < 5;
}

bool ControlCircle::OnBottomHandle(int py, int px) const {
    return bottom - 5 < py && py < bottom + 6 && std::abs(px - x) < 5;
}

bool ControlCircle::OnLeftHandle(int py, int px) const {
    return left - 6 < px && px < left + 5 && std::abs(py - y) < 5;
}

}  // namespace engine
