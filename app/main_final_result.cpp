// "Create final result" under the progress overlay, and the binding of the
// deblurring handlers to their controls.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "app/blend.h"
#include "app/main_window.h"
#include "app/picture_view.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/plugin_mode.h"

namespace app {

void TFMain::btApplyDeblurClick() {
    CopyBlurSettings();
    btApplyDeblur->setEnabled(false);
    btPercentage->setEnabled(false);
    sbDeblurCircle->setEnabled(false);
    btPercentage->repaint();
    imgPreview->setEnabled(false);

    ShowBlendOverlay();
    if (!isJPEG) {
        convert->DeblurDNG(pipeline::DNGConvert::kFinalResult);
    } else {
        const std::string source =
            pipeline::gPluginMode ? pipeline::gFileToOpen : loadedJpegPath.toStdString();
        convert->SaveJPG(imgPreview->Bitmap(), source);
    }

    btPercentage->setEnabled(true);
    sbDeblurCircle->setEnabled(true);
    btPercentage->repaint();
    sbDeblurCircle->repaint();
    imgPreview->setEnabled(true);
    btApplyDeblur->setEnabled(true);
    HideBlendOverlay();
}

void TFMain::ShowBlendOverlay() {
    if (FBlend) FBlend->ShowOver(this);
}

void TFMain::HideBlendOverlay() {
    if (FBlend) FBlend->hide();
}

void TFMain::CancelWork() {
    convert->CancelRequested = true;
    if (convert->Negative) convert->Negative->AbortFlag = 1;
    if (fftEngine) fftEngine->cancelRequested = true;
}

void TFMain::ConnectDeblurHandlers() {
    if (FBlend) FBlend->RequestCancel = [this] { CancelWork(); };
    circleEditor.fftEngine = fftEngine.get();

    imgPreview->OnMouseDown = [this](PictureView*, QMouseEvent* e) {
        imgPreviewMouseDown(int(e->position().x()), int(e->position().y()));
    };
    imgPreview->OnMouseMove = [this](PictureView*, QMouseEvent* e) {
        imgPreviewMouseMove(int(e->position().x()), int(e->position().y()));
    };
    imgPreview->OnMouseUp = [this](PictureView*, QMouseEvent*) { imgPreviewMouseUp(); };
    imgCircles->OnMouseDown = [this](PictureView*, QMouseEvent* e) {
        imgCirclesMouseDown(int(e->position().x()), int(e->position().y()));
    };
    imgCircles->OnMouseMove = [this](PictureView*, QMouseEvent* e) {
        imgCirclesMouseMove(int(e->position().x()), int(e->position().y()));
    };
    imgCircles->OnMouseUp = [this](PictureView*, QMouseEvent*) { imgCirclesMouseUp(); };
    imgCircles->OnMouseLeave = [this](PictureView*) { imgCirclesMouseLeave(); };

    connect(btPercentage, &QPushButton::clicked, this, &TFMain::btPercentageClick);
    connect(sbDeblurCircle, &QToolButton::clicked, this, &TFMain::sbDeblurCircleClick);
    connect(actionUnselectCircle, &QAction::triggered, this, &TFMain::actionUnselectCircleExecute);
    connect(actionDeleteCircle, &QAction::triggered, this, &TFMain::actionDeleteCircleExecute);
    connect(btApplyDeblur, &QPushButton::clicked, this, &TFMain::btApplyDeblurClick);
    connect(cbHighQuality, &QCheckBox::clicked, this, &TFMain::cbHighQualityClick);
    connect(tbTest, &QSlider::valueChanged, this, &TFMain::tbTestChange);

    blurPanel->OnChange = [this](controls::BlurPanel*) { BlurSettingsChanged(); };
    blurPanel->OnKernelNotEmpty = [this](controls::BlurPanel*) { KernelNotEmpty(); };
    blurPanel->OnKernelEmpty = [this](controls::BlurPanel*) { KernelEmpty(); };
    blurPanel->OnHover = [this](controls::BlurPanel*) { CompareStart(); };
    blurPanel->OnHoverLeave = [this](controls::BlurPanel*) { CompareEnd(); };

    for (controls::TTrackBarMouse* slider : {tbCircleSize, tbCircleFeather, tbBrightness, tbContrast}) {
        slider->OnMouseDownEvent = [this](controls::TTrackBarMouse* sender) { SliderMouseDown(sender); };
        slider->OnMouseUpEvent = [this](controls::TTrackBarMouse* sender) { SliderMouseUp(sender); };
        slider->OnStepEvent = [this](controls::TTrackBarMouse* sender) { SliderMouseUp(sender); };
    }
    for (controls::TTrackBarMouse* slider : {tbCircleSize, tbCircleFeather}) {
        connect(slider, &QSlider::valueChanged, this, [this, slider] { CircleSliderChange(slider); });
    }
}

}  // namespace app
