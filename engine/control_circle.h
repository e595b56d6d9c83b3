#pragma once

namespace engine {

// One elliptical deblur region in image coordinates of the preview photo,
// row first wherever a pair is passed. The feathered band lies inside the
// edge and is `transitionWidth` pixels wide.
class ControlCircle {
public:
    ControlCircle(int y, int x);

    int y;
    int x;
    double radiusX = 100.0;
    double radiusY = 100.0;
    int transitionPercent = 20;
    int transitionWidth = 20;
    bool selected = true;
    int left;
    int top;
    int right;
    int bottom;

    // Distance inside the ellipse in units of the larger radius: 0 on the
    // edge, the larger radius at the centre, -1 outside.
    int Depth(int y, int x) const;

    void SetSize(int radiusX, int radiusY, int percent);
    void SetRadiusKeepAspect(int r);
    void SetTransition(int percent);
    void MoveTo(int y, int x);
    int MaxRadius() const;

    bool OnTopHandle(int y, int x) const;
    bool OnRightHandle(int y, int x) const;
    bool OnBottomHandle(int y, int x) const;
    bool OnLeftHandle(int y, int x) const;

    void SetSelected(bool flag) { selected = flag; }

private:
    double LargerRadius() const;
    void UpdateBounds();
    void UpdateTransitionWidth();
};

}  // namespace engine
