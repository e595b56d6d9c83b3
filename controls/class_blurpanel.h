#pragma once
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "controls/class_motionblurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "controls/kernel_grid.h"

class QComboBox;
class QFrame;
class QLabel;
class QToolButton;

namespace controls {

// The blur settings panel: three ways to make a kernel (a free grid painted
// cell by cell, a line or cross of given length and angle, a disc of given
// radius), the four deconvolution sliders, zero and reset buttons, zoom
// buttons for the grid, and a picture that asks for an undeblurred view
// while the pointer rests on it. The owner sets its height and position.
class BlurPanel : public QWidget {
    Q_OBJECT

public:
    using NotifyEvent = std::function<void(BlurPanel* sender)>;

    static constexpr int kPanelWidth = 380;
    static constexpr int kShapeCount = 6;

    explicit BlurPanel(QWidget* owner = nullptr);

    // Called when a photo is loaded: empties the kernel and sets the six
    // sliders to 0 without asking for a new result. The mode stays.
    void ResetSliders();
    // Draws the chosen line or cross shape into the preview and the grid.
    void DrawLineKernel();
    // Draws the disc into the preview and the grid.
    void DrawCircleKernel();

    // The point at distance r and direction `angleDegrees` (0 along +x,
    // growing towards +y) from (cx, cy); coordinates beyond the centre are
    // pushed half a cell further so that truncating them stays symmetric.
    static FloatPoint PointOnCircle(float r, float angleDegrees, float cx, float cy);
    static QString IntToUStr(int value);

    MotionBlurPanel* grid = nullptr;
    QToolButton* sbFreeGrid = nullptr;
    QToolButton* sbLineShapes = nullptr;
    QToolButton* sbCylinderCircle = nullptr;
    QToolButton* sbReset = nullptr;
    QToolButton* sbZoomIn = nullptr;
    QToolButton* sbZoomOut = nullptr;
    QToolButton* sbZeroDistortion = nullptr;
    QLabel* imgKernel = nullptr;
    QLabel* imgHover = nullptr;
    QFrame* bvSliders = nullptr;
    QFrame* bvButtons = nullptr;
    QComboBox* cbShape = nullptr;
    QLabel* lbAngle = nullptr;
    QLabel* lbAngleValue = nullptr;
    QLabel* lbRadiusValue = nullptr;

    NotifyEvent OnChange;
    NotifyEvent OnKernelEmpty;
    NotifyEvent OnKernelNotEmpty;
    NotifyEvent OnHover;
    NotifyEvent OnHoverLeave;

    // Direction of the line kernel in degrees: the angle slider's position - 90.
    double angle = -1.0;
    uint16_t shapeIndex = 0;
    bool shapesFilled = false;

    TTrackBarMouse* tbRadius = nullptr;
    TTrackBarMouse* tbAngle = nullptr;
    TTrackBarMouse* tbLowPass = nullptr;
    TTrackBarMouse* tbLocalization = nullptr;
    TTrackBarMouse* tbMasking = nullptr;
    TTrackBarMouse* tbKernelSmoothing = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* MakeSpeedButton(int left, int top, const QString& glyph, const QString& hint);
    TTrackBarMouse* MakeSlider(int left, int top, int width, int maximum);
    QLabel* MakeCaption(const QString& text, int left, int top);
    void Fire(const NotifyEvent& event);
    // The four deconvolution sliders to 0.
    void ZeroDistortionSliders();
    // Radius and angle sliders and their value captions to 0.
    void ZeroShapeSliders();

    void FreeGridClick();
    void LineShapesClick();
    void CylinderCircleClick();
    void ResetClick();
    void ZeroDistortionClick();
    void ShapeComboChange(int index);
    void SliderChange(TTrackBarMouse* slider);
    void SliderMouseUp(TTrackBarMouse* slider);
    void HoverImageMouseMove();
    void HoverImageMouseLeave();

    QImage kernelBackground_;
    bool hoverFramed_ = false;
    // Distance of the button separator's right end from the panel's right
    // edge, kept when the owner resizes the panel.
    int buttonBevelRightGap_ = 0;
};

}  // namespace controls
