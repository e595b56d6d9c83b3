// The deblurred result patch: recomputing it, the blur settings that feed
// the engine, the deblur indicator, brightness and contrast, and compare.
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/main_window.h"
#include "app/picture_view.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"

namespace app {

void TFMain::SetDeblurIndicator(const QColor& fill, const QColor& outline, const QString& caption) {
    QPalette colours = shDB->palette();
    colours.setColor(QPalette::Window, fill);
    colours.setColor(QPalette::WindowText, outline);
    shDB->setPalette(colours);
    shDB->update();
    lbStat->setText(caption);
}

void TFMain::ShowDeblurStatus(bool on) {
    if (on) {
        SetDeblurIndicator(QColor(0, 128, 0), QColor(0, 255, 0), "on ");
    } else {
        SetDeblurIndicator(palette().color(QPalette::Button), Qt::black, "off ");
    }
}

void TFMain::UpdateResult() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (DeblurOnPhoto()) {
        SetDeblurIndicator(shDB->palette().color(QPalette::Window), QColor(0, 0, 255), "[working...]");
        lbStat->repaint();
    }
    if (img100->HasPicture()) {
        if (blurPanel->grid->IsNotEmpty()) {
            if (inResultUpdate) {
                // Asked again from inside the running recomputation: dropped,
                // and the grid takes no clicks until that one ends.
                blurPanel->grid->editable = false;
                QApplication::restoreOverrideCursor();
                return;
            }
            inResultUpdate = true;
            CopyBlurSettings();
            if (isJPEG) {
                CopyCrop();
                convert->ProcessJPG(img100->Bitmap());
            } else {
                if (convert->Negative) convert->Negative->fResultScale = crop.zoomPercent == 200 ? 2.0 : 1.0;
                convert->DeblurPreview(img100->Bitmap());
            }
            inResultUpdate = false;
            blurPanel->grid->editable = true;
        } else {
            CopyCrop();
        }
        if (comparing) {
            // The pointer still rests on the compare picture: the new result
            // waits for it to leave, the undeblurred crop stays in view.
            *compareBitmap = img100->Bitmap();
            CopyCrop();
        }
        img100->Refresh();
        DrawCircles();
    }
    QApplication::restoreOverrideCursor();
    ShowDeblurStatus(DeblurOnPhoto() && !comparing);
}

void TFMain::CopyBlurSettings() {
    fftEngine->SetLowPass(blurPanel->tbLowPass->value());
    fftEngine->SetLocalization(blurPanel->tbLocalization->value(), blurPanel->tbLocalization->maximum());
    fftEngine->maskThreshold = blurPanel->tbMasking->value();
    fftEngine->kernelSmoothing = blurPanel->tbKernelSmoothing->value();
}

// The recomputation copies the settings as it starts; a change that comes
// while one runs must not alter the engine's settings under it.
void TFMain::BlurSettingsChanged() { UpdateResult(); }

bool TFMain::DeblurOnPhoto() const { return deblurActive && PhotoOpen(); }

void TFMain::KernelNotEmpty() {
    btApplyDeblur->setEnabled(PhotoOpen());
    deblurActive = true;
}

void TFMain::KernelEmpty() {
    btApplyDeblur->setEnabled(false);
    deblurActive = false;
    ShowDeblurStatus(false);
}

void TFMain::CompareStart() {
    if (comparing) return;
    comparing = true;
    ShowDeblurStatus(false);
    compareBitmap = std::make_unique<platform::Bitmap>(img100->Bitmap());
    PositionCrop(0, 0, true);
}

void TFMain::CompareEnd() {
    if (!compareBitmap) return;
    img100->Bitmap() = *compareBitmap;
    img100->Refresh();
    compareBitmap.reset();
    comparing = false;
    if (DeblurOnPhoto()) ShowDeblurStatus(true);
}

void TFMain::SliderMouseDown(controls::TTrackBarMouse*) {
    if (DeblurOnPhoto())
        SetDeblurIndicator(QColor(255, 128, 0), QColor(255, 255, 0), "[release slider for new result to show]");
}

void TFMain::SliderMouseUp(controls::TTrackBarMouse* sender) {
    // A release, a wheel turn or a key step.
    sender->RunDisabled([this, sender] {
        int* last = sender == tbBrightness ? &lastBrightness : sender == tbContrast ? &lastContrast : nullptr;
        if (last && sender->value() != *last) {
            *last = sender->value();
            if (imgPreview->HasPicture()) {
                convert->ApplyBrightnessContrast(imgPreview->Bitmap(), 0, tbBrightness->value(), tbContrast->value(),
                                                 true);
                PositionCrop(0, 0, true);
                imgPreview->Refresh();
            }
        }
        UpdateResult();
    });
}

void TFMain::cbHighQualityClick() {
    cbHighQuality->repaint();
    convert->HighQuality = cbHighQuality->isChecked();
    UpdateResult();
}

void TFMain::tbTestChange() { UpdateResult(); }

}  // namespace app
