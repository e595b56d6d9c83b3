#include "controls/class_blurpanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "controls/grid_raster.h"
#include "controls/qt_color.h"

// Resources of a static library have to be registered by name, from outside
// any namespace.
static void RegisterBlurControlResources() {
    Q_INIT_RESOURCE(blur_controls);
}

namespace controls {

namespace {

constexpr int kGridLeft = 5;
constexpr int kGridTop = 5;
constexpr int kSliderLeft = MotionBlurPanel::kWidth + 15;
constexpr int kSliderWidth = 130;
constexpr int kButtonTop = 210;
constexpr int kSpeedButtonWidth = 23;
constexpr int kSpeedButtonHeight = 22;
constexpr int kCaptionPointSize = 7;
constexpr int kPreviewCentre = 50;
// Longest line (and widest disc) the radius slider can ask for, in cells.
constexpr int kMaxKernelLength = 42;
constexpr float kDirectionLength = 46.0f;

constexpr uint32_t kAquaColor = 0xFFFF00;
constexpr uint32_t kGreyColor = 0x808080;
constexpr uint32_t kGreenColor = 0x008000;
constexpr uint32_t kHoverFrameColor = 0xFF0000;

const char* const kShapeNames[BlurPanel::kShapeCount] = {
    "line", "3/4 line", "1/2 line", "cross", "3/4 cross", "1/2 cross (T shape)",
};

// Line or disc size from the radius slider: nothing at 0, else one more than
// the position.
int KernelLength(int position) {
    return position <= 0 ? 0 : std::min(position + 1, kMaxKernelLength);
}

// A one-pixel line with the grid's line coverage, so the preview and the
// kernel cells end alike.
void DrawPreviewLine(QImage& picture, int x0, int y0, int x1, int y1, uint32_t color) {
    const QRgb rgb = ToQColor(color).rgb();
    ForEachLinePixel(x0, y0, x1, y1, [&](int x, int y) {
        if (picture.valid(x, y))
            picture.setPixel(x, y, rgb);
    });
}

void DrawPreviewLine(QImage& picture, FloatPoint from, FloatPoint to, uint32_t color) {
    DrawPreviewLine(picture, static_cast<int>(from.x), static_cast<int>(from.y), static_cast<int>(to.x),
                    static_cast<int>(to.y), color);
}

void SetShown(std::initializer_list<QWidget*> widgets, bool shown) {
    for (QWidget* widget : widgets)
        widget->setVisible(shown);
}

}  // namespace

BlurPanel::BlurPanel(QWidget* owner) : QWidget(owner) {
    RegisterBlurControlResources();
    kernelBackground_ = QImage(":/blur_controls/kernel_background.png").convertToFormat(QImage::Format_RGB32);
    resize(kPanelWidth, height());

    grid = new MotionBlurPanel(this);
    grid->move(kGridLeft, kGridTop);
    grid->OnNotEmpty = [this](KernelGrid*) { Fire(OnKernelNotEmpty); };
    grid->OnEmpty = [this](KernelGrid*) { Fire(OnKernelEmpty); };
    grid->OnChange = [this](KernelGrid*) { Fire(OnChange); };

    sbFreeGrid = MakeSpeedButton(kGridLeft, kButtonTop, "glyph_free_grid", "Free grid [motion blur]");
    sbLineShapes = MakeSpeedButton(sbFreeGrid->geometry().right() + 1 + 2, kButtonTop, "glyph_line_shapes",
                                   "Line and other shapes [motion blur]");
    sbCylinderCircle = MakeSpeedButton(sbLineShapes->geometry().right() + 1 + 2, kButtonTop,
                                       "glyph_cylinder_circle", "Cylinder circle [focus blur]");
    auto* modes = new QButtonGroup(this);
    for (QToolButton* button : {sbFreeGrid, sbLineShapes, sbCylinderCircle}) {
        button->setCheckable(true);
        modes->addButton(button);
    }
    sbFreeGrid->setChecked(true);
    connect(sbFreeGrid, &QToolButton::clicked, this, &BlurPanel::FreeGridClick);
    connect(sbLineShapes, &QToolButton::clicked, this, &BlurPanel::LineShapesClick);
    connect(sbCylinderCircle, &QToolButton::clicked, this, &BlurPanel::CylinderCircleClick);

    sbZoomIn = MakeSpeedButton(width() - 135, kButtonTop, "glyph_zoom_in", "Zoom in");
    sbZoomOut = MakeSpeedButton(sbZoomIn->geometry().right() + 1 + 2, kButtonTop, "glyph_zoom_out", "Zoom out");
    sbZeroDistortion = MakeSpeedButton(sbZoomOut->geometry().right() + 1 + 2, kButtonTop, "glyph_zero_sliders",
                                       "Set all distortion sliders to zero");
    sbReset = MakeSpeedButton(sbZeroDistortion->geometry().right() + 1 + 2, kButtonTop, "glyph_reset", "Reset");
    connect(sbZoomIn, &QToolButton::clicked, grid, &MotionBlurPanel::ZoomIn);
    connect(sbZoomOut, &QToolButton::clicked, grid, &MotionBlurPanel::ZoomOut);
    connect(sbZeroDistortion, &QToolButton::clicked, this, &BlurPanel::ZeroDistortionClick);
    connect(sbReset, &QToolButton::clicked, this, &BlurPanel::ResetClick);

    imgHover = new QLabel(this);
    imgHover->setGeometry(100, kButtonTop, 20, 20);
    imgHover->setAlignment(Qt::AlignCenter);
    imgHover->setPixmap(QPixmap(":/blur_controls/hover_compare.png"));
    imgHover->setToolTip("Turns off deblurring when hovering over, for quick compare...");
    imgHover->setMouseTracking(true);
    imgHover->installEventFilter(this);

    bvSliders = new QFrame(this);
    bvSliders->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    bvSliders->setGeometry(kSliderLeft - 3, 2, 3, 198);
    bvButtons = new QFrame(this);
    bvButtons->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bvButtons->setGeometry(3, 202, width() - 8, 3);
    buttonBevelRightGap_ = width() - (bvButtons->x() + bvButtons->width());

    tbKernelSmoothing = MakeSlider(kSliderLeft, 20, kSliderWidth, 150);
    MakeCaption("Kernel smoothing", kSliderLeft + 9, tbKernelSmoothing->y() - 17);
    tbLowPass = MakeSlider(kSliderLeft, tbKernelSmoothing->y() + 22 + 21, kSliderWidth, 200);
    tbMasking = MakeSlider(kSliderLeft, tbLowPass->y() + 22 + 21, kSliderWidth, 65535);
    MakeCaption("Masking...", kSliderLeft + 9, tbMasking->y() - 17);
    tbLocalization = MakeSlider(kSliderLeft, tbMasking->y() + 22 + 21, kSliderWidth, 400);
    MakeCaption("Low pass filter...", kSliderLeft + 9, tbLowPass->y() - 17);
    MakeCaption("Localization...", kSliderLeft + 9, tbLocalization->y() - 17);

    imgKernel = new QLabel(this);
    imgKernel->setGeometry(50, 35, 99, 99);
    imgKernel->setPixmap(QPixmap::fromImage(kernelBackground_));

    tbRadius = MakeSlider(imgKernel->x() - 17, imgKernel->geometry().bottom() + 1 + 10, 99 + 34, 40);
    tbAngle = MakeSlider(tbRadius->x(), tbRadius->geometry().bottom() + 1 + 5, 133, 360);

    MakeCaption("Radius", tbRadius->x() - 27, tbRadius->y() + 4);
    lbRadiusValue = MakeCaption("0", tbRadius->geometry().right() + 1 + 5, tbRadius->y() + 4);
    lbAngle = MakeCaption("Angle", tbAngle->x() - 27, tbAngle->y() + 4);
    lbAngleValue = MakeCaption("0", tbAngle->geometry().right() + 1 + 5, tbAngle->y() + 4);

    cbShape = new QComboBox(this);
    QFont small = cbShape->font();
    small.setPointSize(kCaptionPointSize);
    cbShape->setFont(small);
    cbShape->setGeometry(50, 5, 100, cbShape->sizeHint().height());
    // Only the user's choice counts as a change, not the first filling.
    connect(cbShape, &QComboBox::activated, this, &BlurPanel::ShapeComboChange);

    // The panel opens in the free-grid mode: what belongs to the other modes
    // starts hidden, and the grid lies over the radius captions it covers.
    SetShown({imgKernel, cbShape, tbRadius, tbAngle, lbAngle, lbAngleValue}, false);
    grid->raise();
}

QToolButton* BlurPanel::MakeSpeedButton(int left, int top, const QString& glyph, const QString& hint) {
    auto* button = new QToolButton(this);
    button->setGeometry(left, top, kSpeedButtonWidth, kSpeedButtonHeight);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    button->setIcon(QPixmap(":/blur_controls/" + glyph + ".png"));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

TTrackBarMouse* BlurPanel::MakeSlider(int left, int top, int width, int maximum) {
    auto* slider = new TTrackBarMouse(this);
    slider->setGeometry(left, top, width, 22);
    slider->setRange(0, maximum);
    slider->setPageStep(1);
    slider->OnMouseUpEvent = [this](TTrackBarMouse* sender) { SliderMouseUp(sender); };
    slider->OnStepEvent = [this](TTrackBarMouse* sender) { SliderMouseUp(sender); };
    connect(slider, &QSlider::valueChanged, this, [this, slider] { SliderChange(slider); });
    return slider;
}

QLabel* BlurPanel::MakeCaption(const QString& text, int left, int top) {
    auto* label = new QLabel(text, this);
    QFont small = label->font();
    small.setPointSize(kCaptionPointSize);
    label->setFont(small);
    label->move(left, top);
    label->adjustSize();
    return label;
}

void BlurPanel::Fire(const NotifyEvent& event) {
    if (event)
        event(this);
}

QString BlurPanel::IntToUStr(int value) {
    return QString::asprintf("%i", value);
}

FloatPoint BlurPanel::PointOnCircle(float r, float angleDegrees, float cx, float cy) {
    const long double pi = std::acos(-1.0L);
    const long double radians = static_cast<long double>(angleDegrees) * pi / 180.0L;
    FloatPoint p;
    p.x = static_cast<float>(cx + r * std::cos(radians));
    p.y = static_cast<float>(cy + r * std::sin(radians));
    if (p.x > cx)
        p.x += 0.5f;
    if (p.y > cy)
        p.y += 0.5f;
    return p;
}

void BlurPanel::DrawLineKernel() {
    QImage picture = kernelBackground_;
    angle = tbAngle->value() - 90;
    const int length = KernelLength(tbRadius->value());
    const float half = static_cast<float>(length / 2) + 0.5f;
    const float centre = kPreviewCentre;
    const auto spoke = [&](float r, double turn) {
        return PointOnCircle(r, static_cast<float>(angle + turn), centre, centre);
    };

    const FloatPoint p1 = spoke(length, 0);
    std::optional<FloatPoint> p2, p3, p4;
    switch (shapeIndex) {
    case 0:  // line
        p2 = spoke(length, 180);
        break;
    case 1:  // 3/4 line
        p2 = spoke(half, 180);
        break;
    case 3:  // cross
        p2 = spoke(length, 180);
        p3 = spoke(length, 90);
        p4 = spoke(length, -90);
        break;
    case 4:  // 3/4 cross
        p2 = spoke(half, 180);
        p3 = spoke(half, 90);
        p4 = spoke(half, 270);
        break;
    case 5:  // 1/2 cross (T shape)
        p3 = spoke(half, 90);
        p4 = spoke(half, -90);
        break;
    default:  // 1/2 line: the main spoke alone
        break;
    }

    const FloatPoint centrePoint{centre, centre};
    DrawPreviewLine(picture, centrePoint, p1, kAquaColor);
    for (const auto& p : {p2, p3, p4})
        if (p)
            DrawPreviewLine(picture, centrePoint, *p, kAquaColor);

    grid->Clear(false);
    grid->DrawSpokes(p1, p2, p3, p4);

    DrawPreviewLine(picture, p1, spoke(kDirectionLength, 0), kGreyColor);
    imgKernel->setPixmap(QPixmap::fromImage(picture));
}

void BlurPanel::DrawCircleKernel() {
    QImage picture = kernelBackground_;
    const int r = KernelLength(tbRadius->value());
    DrawPreviewLine(picture, 50, 5, 50, 96, kGreyColor);
    DrawPreviewLine(picture, 5, 50, 96, 50, kGreyColor);
    if (r > 0) {
        QPainter painter(&picture);
        painter.setPen(ToQColor(kAquaColor));
        painter.setBrush(ToQColor(kGreenColor));
        // The outline covers both ends of the rectangle: 2r pixels across,
        // the same box as (50 - r, 50 - r) to (50 + r, 50 + r) without its
        // right and bottom edges.
        painter.drawEllipse(QRect(kPreviewCentre - r, kPreviewCentre - r, 2 * r - 1, 2 * r - 1));
    }
    imgKernel->setPixmap(QPixmap::fromImage(picture));

    grid->Clear(false);
    grid->SetCircle(r - 1, KernelGrid::kCentre, KernelGrid::kCentre);
}

void BlurPanel::ResetSliders() {
    grid->Clear(true);
    ZeroDistortionSliders();
    ZeroShapeSliders();
}

void BlurPanel::ZeroDistortionSliders() {
    for (TTrackBarMouse* slider : {tbLowPass, tbLocalization, tbMasking, tbKernelSmoothing})
        slider->setValue(0);
}

void BlurPanel::ZeroShapeSliders() {
    tbRadius->setValue(0);
    tbAngle->setValue(0);
    lbAngleValue->setText("0");
    lbRadiusValue->setText("0");
}

void BlurPanel::FreeGridClick() {
    SetShown({grid, sbZoomIn, sbZoomOut}, true);
    SetShown({imgKernel, cbShape, tbRadius, tbAngle, lbAngle, lbAngleValue}, false);
    // The grid keeps what the other modes drew, now editable cell by cell.
    grid->SetMode(0);
}

void BlurPanel::LineShapesClick() {
    if (!shapesFilled) {
        for (int i = 0; i < kShapeCount; ++i)
            cbShape->addItem(kShapeNames[i], i);
        cbShape->setCurrentIndex(0);
        shapesFilled = true;
    }
    SetShown({sbZoomIn, sbZoomOut, grid}, false);
    SetShown({tbRadius, tbAngle, imgKernel, cbShape, lbAngle, lbAngleValue}, true);
    grid->SetMode(0);
    grid->Clear(true);
    DrawLineKernel();
    Fire(OnChange);
}

void BlurPanel::CylinderCircleClick() {
    grid->hide();
    imgKernel->setPixmap(QPixmap::fromImage(kernelBackground_));
    imgKernel->show();
    cbShape->hide();
    tbRadius->show();
    SetShown({tbAngle, lbAngle, lbAngleValue, sbZoomIn, sbZoomOut}, false);
    grid->Clear(true);
    grid->SetMode(1);
    DrawCircleKernel();
    Fire(OnChange);
}

void BlurPanel::ResetClick() {
    grid->Clear(true);
    ZeroShapeSliders();
    Fire(OnChange);
}

void BlurPanel::ZeroDistortionClick() {
    ZeroDistortionSliders();
    Fire(OnChange);
}

void BlurPanel::ShapeComboChange(int index) {
    shapeIndex = static_cast<uint16_t>(index);
    DrawLineKernel();
    Fire(OnChange);
}

void BlurPanel::SliderChange(TTrackBarMouse* slider) {
    // Positions set while the panel is hidden (a reset before a photo is
    // shown) redraw nothing; the next mode click or move does.
    if (isHidden() || (slider != tbRadius && slider != tbAngle))
        return;
    if (sbLineShapes->isChecked())
        DrawLineKernel();
    else
        DrawCircleKernel();
    lbRadiusValue->setText(IntToUStr(tbRadius->value()));
    lbRadiusValue->adjustSize();
    lbAngleValue->setText(IntToUStr(tbAngle->value()));
    lbAngleValue->adjustSize();
}

void BlurPanel::SliderMouseUp(TTrackBarMouse* slider) {
    // A release, a wheel turn or a key step.
    slider->RunDisabled([this] {
        imgKernel->repaint();
        Fire(OnChange);
    });
}

void BlurPanel::HoverImageMouseMove() {
    if (!hoverFramed_) {
        hoverFramed_ = true;
        update(imgHover->geometry());
    }
    Fire(OnHover);
}

void BlurPanel::HoverImageMouseLeave() {
    hoverFramed_ = false;
    update(imgHover->geometry());
    if (OnHoverLeave)
        OnHoverLeave(this);
    else
        Fire(OnChange);
}

bool BlurPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgHover) {
        if (event->type() == QEvent::MouseMove)
            HoverImageMouseMove();
        else if (event->type() == QEvent::Leave)
            HoverImageMouseLeave();
    }
    return QWidget::eventFilter(watched, event);
}

void BlurPanel::paintEvent(QPaintEvent*) {
    if (!hoverFramed_)
        return;
    QPainter painter(this);
    painter.setPen(ToQColor(kHoverFrameColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(imgHover->geometry().adjusted(0, 0, -1, -1));
}

void BlurPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (bvButtons)
        bvButtons->move(width() - buttonBevelRightGap_ - bvButtons->width(), bvButtons->y());
}

}  // namespace controls
