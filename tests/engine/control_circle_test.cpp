#include <gtest/gtest.h>

#include "engine/class_fft.h"
#include "engine/control_circle.h"

namespace {

using engine::ClassFFT;
using engine::ControlCircle;

TEST(ControlCircle, NewCircleHasDefaultRadiiAndBoundsRowFirst) {
    const ControlCircle c(300, 400);
    EXPECT_EQ(c.y, 300);
    EXPECT_EQ(c.x, 400);
    EXPECT_EQ(c.left, 300);
    EXPECT_EQ(c.top, 200);
    EXPECT_EQ(c.right, 500);
    EXPECT_EQ(c.bottom, 400);
    EXPECT_EQ(c.transitionPercent, 20);
    EXPECT_EQ(c.transitionWidth, 20);
    EXPECT_TRUE(c.selected);
    EXPECT_EQ(c.MaxRadius(), 100);
}

TEST(ControlCircle, DepthIsTheRadiusAtTheCentreZeroOnTheEdgeAndMinusOneOutside) {
    const ControlCircle c(300, 400);
    EXPECT_EQ(c.Depth(300, 400), 100);
    EXPECT_EQ(c.Depth(300, 500), 0);
    EXPECT_EQ(c.Depth(200, 400), 0);
    EXPECT_EQ(c.Depth(300, 350), 50);
    EXPECT_EQ(c.Depth(200, 300), -1);  // bounding box corner
    EXPECT_EQ(c.Depth(300, 501), -1);
    EXPECT_EQ(c.Depth(229, 329), -1);  // inside the box, outside the circle
    EXPECT_EQ(c.Depth(230, 330), 1);   // sqrt(70^2 + 70^2) = 98.99
}

TEST(ControlCircle, DepthOfAnEllipseIsMeasuredInUnitsOfTheLargerRadius) {
    ControlCircle tall(100, 100);
    tall.SetSize(50, 100, 20);  // radiusX 50, radiusY 100
    EXPECT_EQ(tall.Depth(100, 150), 0);   // column offset stretched to 100
    EXPECT_EQ(tall.Depth(100, 125), 50);
    EXPECT_EQ(tall.Depth(100, 75), 50);
    EXPECT_EQ(tall.Depth(190, 100), 10);
    EXPECT_EQ(tall.Depth(100, 151), -1);

    ControlCircle wide(100, 100);
    wide.SetSize(100, 40, 20);
    EXPECT_EQ(wide.Depth(140, 100), 0);
    EXPECT_EQ(wide.Depth(120, 100), 50);
    EXPECT_EQ(wide.Depth(60, 100), 0);
    EXPECT_EQ(wide.Depth(100, 30), 30);
}

TEST(ControlCircle, ZeroRadiusContainsNoPoint) {
    ControlCircle c(10, 10);
    c.SetSize(0, 20, 20);
    EXPECT_EQ(c.Depth(10, 10), -1);
    c.SetSize(20, 0, 20);
    EXPECT_EQ(c.Depth(10, 10), -1);
}

TEST(ControlCircle, SetSizeLimitsThePercentageAndRecomputesBandAndBounds) {
    ControlCircle c(300, 400);
    c.SetSize(50, 100, 90);
    EXPECT_EQ(c.transitionPercent, 80);
    EXPECT_EQ(c.transitionWidth, 80);
    EXPECT_EQ(c.left, 350);
    EXPECT_EQ(c.right, 450);
    EXPECT_EQ(c.top, 200);
    EXPECT_EQ(c.bottom, 400);

    c.SetSize(33, 17, 15);
    EXPECT_EQ(c.transitionWidth, 4);  // trunc(0.01 x 33 x 15)
}

TEST(ControlCircle, KeepAspectScalesTheSmallerRadiusWithTheLargerOne) {
    ControlCircle c(0, 0);
    c.SetSize(100, 200, 20);
    c.SetRadiusKeepAspect(50);
    EXPECT_DOUBLE_EQ(c.radiusY, 50.0);
    EXPECT_DOUBLE_EQ(c.radiusX, 25.0);
    EXPECT_EQ(c.transitionWidth, 10);
    EXPECT_EQ(c.left, -25);
    EXPECT_EQ(c.bottom, 50);

    ControlCircle wide(0, 0);
    wide.SetSize(120, 30, 50);
    wide.SetRadiusKeepAspect(60);
    EXPECT_DOUBLE_EQ(wide.radiusX, 60.0);
    EXPECT_DOUBLE_EQ(wide.radiusY, 15.0);
    EXPECT_EQ(wide.transitionWidth, 30);

    ControlCircle round(0, 0);
    round.SetRadiusKeepAspect(40);
    EXPECT_DOUBLE_EQ(round.radiusY, 40.0);
    EXPECT_DOUBLE_EQ(round.radiusX, 40.0);
}

TEST(ControlCircle, KeepAspectOnADegenerateCircleGivesARoundOne) {
    ControlCircle c(0, 0);
    c.SetSize(0, 0, 20);
    c.SetRadiusKeepAspect(30);
    EXPECT_DOUBLE_EQ(c.radiusX, 30.0);
    EXPECT_DOUBLE_EQ(c.radiusY, 30.0);
    EXPECT_EQ(c.Depth(0, 0), 30);
}

TEST(ControlCircle, TransitionAndMove) {
    ControlCircle c(300, 400);
    c.SetTransition(95);
    EXPECT_EQ(c.transitionPercent, 80);
    EXPECT_EQ(c.transitionWidth, 80);
    c.SetTransition(0);
    EXPECT_EQ(c.transitionWidth, 0);
    c.MoveTo(10, 20);
    EXPECT_EQ(c.left, -80);
    EXPECT_EQ(c.top, -90);
    EXPECT_EQ(c.right, 120);
    EXPECT_EQ(c.bottom, 110);
    c.SetSelected(false);
    EXPECT_FALSE(c.selected);
}

TEST(ControlCircle, HandlesReactFromFiveOutsideToFourInsideTheEdge) {
    const ControlCircle c(300, 400);  // top 200, bottom 400, left 300, right 500
    EXPECT_TRUE(c.OnTopHandle(195, 400));
    EXPECT_FALSE(c.OnTopHandle(194, 400));
    EXPECT_TRUE(c.OnTopHandle(204, 404));
    EXPECT_FALSE(c.OnTopHandle(204, 405));
    EXPECT_FALSE(c.OnTopHandle(205, 400));
    EXPECT_TRUE(c.OnTopHandle(200, 396));
    EXPECT_FALSE(c.OnTopHandle(200, 395));

    EXPECT_TRUE(c.OnBottomHandle(405, 400));
    EXPECT_FALSE(c.OnBottomHandle(406, 400));
    EXPECT_TRUE(c.OnBottomHandle(396, 400));
    EXPECT_FALSE(c.OnBottomHandle(395, 400));

    EXPECT_TRUE(c.OnLeftHandle(300, 295));
    EXPECT_FALSE(c.OnLeftHandle(300, 294));
    EXPECT_TRUE(c.OnLeftHandle(304, 304));
    EXPECT_FALSE(c.OnLeftHandle(305, 300));
    EXPECT_FALSE(c.OnLeftHandle(300, 305));

    EXPECT_TRUE(c.OnRightHandle(300, 505));
    EXPECT_FALSE(c.OnRightHandle(300, 506));
    EXPECT_TRUE(c.OnRightHandle(296, 496));
    EXPECT_FALSE(c.OnRightHandle(300, 495));
    EXPECT_FALSE(c.OnRightHandle(295, 500));
}

TEST(CircleList, AddDeleteClearKeepOrderAndIgnoreBadIndices) {
    ClassFFT fft("");
    fft.AddCircle(10, 20);
    fft.AddCircle(30, 40);
    fft.AddCircle(50, 60);
    ASSERT_EQ(fft.circles.size(), 3u);
    EXPECT_TRUE(fft.circles[2]->selected);

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

TEST(ClassFFTSettings, DefaultsAndSetters) {
    ClassFFT fft("/data/folder");
    EXPECT_EQ(fft.dataFolder, "/data/folder");
    EXPECT_EQ(fft.kernelPanel, nullptr);
    EXPECT_EQ(fft.lowPass, 1);
    EXPECT_EQ(fft.localizationMax, 400);
    EXPECT_EQ(fft.localization, 0);
    EXPECT_EQ(fft.kernelSpectrum, nullptr);
    EXPECT_FALSE(fft.cancelRequested);
    EXPECT_EQ(fft.maskThreshold, 0);
    EXPECT_EQ(fft.kernelSmoothing, 0);

    fft.SetLowPass(37);
    fft.SetLocalization(120, 300);
    EXPECT_EQ(fft.lowPass, 37);
    EXPECT_EQ(fft.localization, 120);
    EXPECT_EQ(fft.localizationMax, 300);
}

}  // namespace
