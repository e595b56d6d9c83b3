#include <gtest/gtest.h>

#include "engine/class_fft.h"
#include "engine/control_circle.h"

namespace {

using engine::ClassFFT;
using engine::ControlCircle;

TEST(ControlCircle, DepthIsTheRadiusAtTheCentreZeroOnTheEdgeAndMinusOneOutside) {
    const ControlCircle c(300, 400);  // row first, radius 100
    const int cases[][3] = {
        {300, 400, 100}, {300, 500, 0}, {300, 350, 50}, {300, 501, -1},
        {229, 329, -1},  // inside the box, outside the circle
        {230, 330, 1},   // sqrt(70^2 + 70^2) = 98.99
    };
    for (const auto& k : cases) EXPECT_EQ(c.Depth(k[0], k[1]), k[2]) << k[0] << "," << k[1];
}

TEST(ControlCircle, DepthOfAnEllipseIsMeasuredInUnitsOfTheLargerRadius) {
    ControlCircle tall(100, 100);
    tall.SetSize(50, 100, 20);
    EXPECT_EQ(tall.Depth(100, 150), 0);  // column offset stretched to 100
    EXPECT_EQ(tall.Depth(100, 75), 50);
    EXPECT_EQ(tall.Depth(190, 100), 10);
    EXPECT_EQ(tall.Depth(100, 151), -1);

    ControlCircle wide(100, 100);
    wide.SetSize(100, 40, 20);
    EXPECT_EQ(wide.Depth(120, 100), 50);
    EXPECT_EQ(wide.Depth(100, 30), 30);

    // A zero radius contains no point, not even the centre.
    wide.SetSize(0, 20, 20);
    EXPECT_EQ(wide.Depth(100, 100), -1);
    wide.SetSize(20, 0, 20);
    EXPECT_EQ(wide.Depth(100, 100), -1);
}

TEST(ControlCircle, SizeTransitionAndMoveRecomputeBandAndBounds) {
    ControlCircle c(300, 400);
    c.SetSize(50, 100, 90);  // percentage limited to 80
    EXPECT_EQ(c.transitionWidth, 80);
    EXPECT_EQ(c.left, 350);
    EXPECT_EQ(c.right, 450);
    EXPECT_EQ(c.top, 200);
    c.SetSize(33, 17, 15);
    EXPECT_EQ(c.transitionWidth, 4);  // trunc(0.01 x 33 x 15)
    c.SetTransition(95);
    EXPECT_EQ(c.transitionWidth, 26);  // 80 % of 33
    c.MoveTo(10, 20);
    EXPECT_EQ(c.left, -13);
    EXPECT_EQ(c.bottom, 27);
}

TEST(ControlCircle, KeepAspectScalesTheSmallerRadiusWithTheLargerOne) {
    struct Case { int radiusX, radiusY, percent, newRadius; double wantX, wantY; int band; };
    // The last one is degenerate and becomes round instead of dividing by zero.
    const Case cases[] = {{100, 200, 20, 50, 25, 50, 10}, {120, 30, 50, 60, 60, 15, 30}, {0, 0, 20, 30, 30, 30, 6}};
    for (const Case& k : cases) {
        ControlCircle c(0, 0);
        c.SetSize(k.radiusX, k.radiusY, k.percent);
        c.SetRadiusKeepAspect(k.newRadius);
        EXPECT_DOUBLE_EQ(c.radiusX, k.wantX);
        EXPECT_DOUBLE_EQ(c.radiusY, k.wantY);
        EXPECT_EQ(c.left, -int(k.wantX));
        EXPECT_EQ(c.transitionWidth, k.band);
    }
}

TEST(ControlCircle, HandlesReactFromFiveOutsideToFourInsideTheEdge) {
    const ControlCircle c(300, 400);  // top 200, bottom 400, left 300, right 500
    using HitTest = bool (ControlCircle::*)(int, int) const;
    const HitTest top = &ControlCircle::OnTopHandle, bottom = &ControlCircle::OnBottomHandle;
    const HitTest left = &ControlCircle::OnLeftHandle, right = &ControlCircle::OnRightHandle;
    struct Case { HitTest handle; int y, x; bool hit; };
    const Case cases[] = {
        {top, 195, 400, true},     {top, 194, 400, false},    {top, 204, 404, true},     {top, 204, 405, false},
        {top, 205, 400, false},    {top, 200, 396, true},     {bottom, 405, 400, true},  {bottom, 406, 400, false},
        {bottom, 396, 400, true},  {bottom, 395, 400, false}, {left, 300, 295, true},    {left, 300, 294, false},
        {left, 304, 304, true},    {left, 305, 300, false},   {left, 300, 305, false},   {right, 300, 505, true},
        {right, 300, 506, false},  {right, 296, 496, true},   {right, 300, 495, false},  {right, 295, 500, false},
    };
    for (const Case& k : cases) EXPECT_EQ((c.*k.handle)(k.y, k.x), k.hit) << "at " << k.y << "," << k.x;
}

TEST(CircleList, DeleteIgnoresBadIndicesAndTheDeblurAreaIsTheUnionOfCircles) {
    ClassFFT fft("");
    EXPECT_TRUE(fft.InDeblurArea(-5000, 123456));  // no circle: everywhere
    fft.AddCircle(100, 100);
    fft.AddCircle(300, 300);
    fft.AddCircle(500, 500);
    fft.DeleteCircle(3);
    fft.DeleteCircle(-1);
    fft.DeleteCircle(1);
    ASSERT_EQ(fft.circles.size(), 2u);
    EXPECT_EQ(fft.circles[1]->y, 500);

    fft.circles[1]->SetSize(0, 0, 20);  // contains nothing
    EXPECT_TRUE(fft.InDeblurArea(100, 200));
    EXPECT_FALSE(fft.InDeblurArea(100, 201));
    EXPECT_FALSE(fft.InDeblurArea(500, 500));
    fft.AddCircle(500, 500);
    EXPECT_TRUE(fft.InDeblurArea(500, 500));
    fft.ClearCircles();
    EXPECT_TRUE(fft.circles.empty());
}

}  // namespace
