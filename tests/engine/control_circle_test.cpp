#include <gtest/gtest.h>

#include "engine/class_fft.h"
#include "engine/control_circle.h"

namespace {

using engine::ClassFFT;
using engine::ControlCircle;

TEST(ControlCircle, NewCircleHasDefaultRadiiAndBoundsRowFirst) {
    const ControlCircle c(300, 400);
    EXPECT_EQ(c.left, 300);
    EXPECT_EQ(c.top, 200);
    EXPECT_EQ(c.right, 500);
    EXPECT_EQ(c.bottom, 400);
    EXPECT_EQ(c.transitionWidth, 20);
}

TEST(ControlCircle, DepthIsTheRadiusAtTheCentreZeroOnTheEdgeAndMinusOneOutside) {
    const ControlCircle c(300, 400);
    EXPECT_EQ(c.Depth(300, 400), 100);
    EXPECT_EQ(c.Depth(300, 500), 0);
    EXPECT_EQ(c.Depth(300, 350), 50);
    EXPECT_EQ(c.Depth(300, 501), -1);
    EXPECT_EQ(c.Depth(229, 329), -1);  // inside the box, outside the circle
    EXPECT_EQ(c.Depth(230, 330), 1);   // sqrt(70^2 + 70^2) = 98.99
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
    ControlCircle tall(0, 0);
    tall.SetSize(100, 200, 20);
    tall.SetRadiusKeepAspect(50);
    EXPECT_DOUBLE_EQ(tall.radiusY, 50.0);
    EXPECT_DOUBLE_EQ(tall.radiusX, 25.0);
    EXPECT_EQ(tall.transitionWidth, 10);
    EXPECT_EQ(tall.left, -25);

    ControlCircle wide(0, 0);
    wide.SetSize(120, 30, 50);
    wide.SetRadiusKeepAspect(60);
    EXPECT_DOUBLE_EQ(wide.radiusX, 60.0);
    EXPECT_DOUBLE_EQ(wide.radiusY, 15.0);

    // A degenerate circle becomes a round one instead of dividing by zero.
    ControlCircle flat(0, 0);
    flat.SetSize(0, 0, 20);
    flat.SetRadiusKeepAspect(30);
    EXPECT_DOUBLE_EQ(flat.radiusX, 30.0);
    EXPECT_DOUBLE_EQ(flat.radiusY, 30.0);
}

TEST(ControlCircle, HandlesReactFromFiveOutsideToFourInsideTheEdge) {
    const ControlCircle c(300, 400);  // top 200, bottom 400, left 300, right 500
    using HitTest = bool (ControlCircle::*)(int, int) const;
    struct Case { HitTest handle; int y, x; bool hit; };
    const Case cases[] = {
        {&ControlCircle::OnTopHandle, 195, 400, true},     {&ControlCircle::OnTopHandle, 194, 400, false},
        {&ControlCircle::OnTopHandle, 204, 404, true},     {&ControlCircle::OnTopHandle, 204, 405, false},
        {&ControlCircle::OnTopHandle, 205, 400, false},    {&ControlCircle::OnTopHandle, 200, 396, true},
        {&ControlCircle::OnBottomHandle, 405, 400, true},  {&ControlCircle::OnBottomHandle, 406, 400, false},
        {&ControlCircle::OnBottomHandle, 396, 400, true},  {&ControlCircle::OnBottomHandle, 395, 400, false},
        {&ControlCircle::OnLeftHandle, 300, 295, true},    {&ControlCircle::OnLeftHandle, 300, 294, false},
        {&ControlCircle::OnLeftHandle, 304, 304, true},    {&ControlCircle::OnLeftHandle, 305, 300, false},
        {&ControlCircle::OnLeftHandle, 300, 305, false},   {&ControlCircle::OnRightHandle, 300, 505, true},
        {&ControlCircle::OnRightHandle, 300, 506, false},  {&ControlCircle::OnRightHandle, 296, 496, true},
        {&ControlCircle::OnRightHandle, 300, 495, false},  {&ControlCircle::OnRightHandle, 295, 500, false},
    };
    for (const Case& k : cases) EXPECT_EQ((c.*k.handle)(k.y, k.x), k.hit) << "at " << k.y << "," << k.x;
}

TEST(CircleList, AddDeleteClearKeepOrderAndIgnoreBadIndices) {
    ClassFFT fft("");
    fft.AddCircle(10, 20);
    fft.AddCircle(30, 40);
    fft.AddCircle(50, 60);
    fft.DeleteCircle(3);
    fft.DeleteCircle(-1);
    EXPECT_EQ(fft.circles.size(), 3u);

    fft.DeleteCircle(1);
    ASSERT_EQ(fft.circles.size(), 2u);
    EXPECT_EQ(fft.circles[0]->y, 10);
    EXPECT_EQ(fft.circles[1]->y, 50);

    fft.ClearCircles();
    EXPECT_TRUE(fft.circles.empty());
}

TEST(CircleList, InDeblurAreaIsTrueWithoutCirclesAndInsideAnyCircle) {
    ClassFFT fft("");
    EXPECT_TRUE(fft.InDeblurArea(-5000, 123456));

    fft.AddCircle(100, 100);
    fft.AddCircle(500, 500);
    fft.circles[1]->SetSize(0, 0, 20);  // contains nothing
    EXPECT_TRUE(fft.InDeblurArea(100, 200));
    EXPECT_FALSE(fft.InDeblurArea(100, 201));
    EXPECT_FALSE(fft.InDeblurArea(500, 500));

    fft.AddCircle(500, 500);
    EXPECT_TRUE(fft.InDeblurArea(500, 500));
}

}  // namespace
