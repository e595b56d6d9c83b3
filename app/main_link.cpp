// What the photo workflow reads and writes of the main window.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/main_window.h"
#include "app/picture_view.h"
#include "app/save_dialog.h"
#include "app/status_adapters.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"

namespace app {

engine::ClassFFT* TFMain::FftEngine() { return fftEngine.get(); }

bool TFMain::KernelIsNotEmpty() const { return blurPanel && blurPanel->grid->IsNotEmpty(); }

void TFMain::SetMaskingMaximum(int maximum) {
    if (!blurPanel)
        return;
    blurPanel->tbMasking->setMaximum(maximum);
    blurPanel->tbMasking->repaint();
}

void TFMain::SetLocalizationMaximum(int maximum) {
    if (!blurPanel)
        return;
    blurPanel->tbLocalization->setMaximum(maximum);
    blurPanel->tbLocalization->repaint();
}

pipeline::DNGConvert& TFMain::Convert() { return *convert; }

int TFMain::CropLeft() const { return crop.cropLeft; }

int TFMain::CropTop() const { return crop.cropTop; }

int TFMain::ZoomPercent() const { return crop.zoomPercent; }

int TFMain::BrightnessPosition() const { return tbBrightness ? tbBrightness->value() : 0; }

int TFMain::ContrastPosition() const { return tbContrast ? tbContrast->value() : 0; }

int TFMain::ProfileIndex() const { return cbProfile->currentIndex(); }

void TFMain::SetHighQualityEnabled(bool enabled) { cbHighQuality->setEnabled(enabled); }

void TFMain::SetHighQualityChecked(bool checked) {
    // setChecked emits no click, so the workflow's method is set here as the click handler would.
    cbHighQuality->setChecked(checked);
    convert->HighQuality = checked;
}

bool TFMain::AutoSave() const { return cbAutoSave->isChecked(); }

bool TFMain::StripExif() const { return cbStripExif->isChecked(); }

std::string TFMain::AutoSaveFolder() const { return lbFolder->text().toStdString(); }

std::string TFMain::LastSavedName() const { return lastSavedName.toStdString(); }

bool TFMain::SaveWithDialog(const std::string& sourcePath, const std::function<void(const std::string&)>& write) {
    std::string chosenName = lastSavedName.toStdString();
    // The controls come back as before the write: "Open DNG" and the colour space
    // stay as the photo's open left them, not enabled as for a photo yet to open.
    const auto enableControls = [this, openDng = btCreatePreview->isEnabled(),
                                 profile = cbProfile->isEnabled()](bool enabled) {
        EnableControls(enabled);
        if (!enabled) return;
        btCreatePreview->setEnabled(openDng);
        cbProfile->setEnabled(profile);
    };
    const bool written =
        app::SaveWithDialog(this, isJPEG, sourcePath, chosenName, lastSavedFolder, enableControls, write);
    lastSavedName = QString::fromStdString(chosenName);
    return written;
}

// Right-aligned, a long name would lose its start; the middle goes instead.
void TFMain::ShowLastSaved(const std::string& caption) {
    const QString full = QString::fromStdString(caption);
    lbLastSaved->setText(lbLastSaved->fontMetrics().elidedText(full, Qt::ElideMiddle, lbLastSaved->width()));
    lbLastSaved->setToolTip(full);
    lbLastSaved->show();
}

platform::StatusLabelControl& TFMain::StatusLabel() { return *statusLabel_; }

platform::ProgressBarControl& TFMain::StatusBar() { return *statusBar_; }

// Without a progress overlay the window's own label and bar show the progress.
platform::StatusLabelControl& TFMain::OverlayStatusLabel() { return overlayLabel_ ? *overlayLabel_ : *statusLabel_; }

platform::ProgressBarControl& TFMain::OverlayStatusBar() { return overlayBar_ ? *overlayBar_ : *statusBar_; }

platform::Bitmap& TFMain::PreviewPicture() { return imgPreview->Bitmap(); }

void TFMain::ClearPreviewPicture() { imgPreview->ClearPicture(); }

void TFMain::SetPreviewVisible(bool visible) {
    // The workflow renders into the bitmap while the picture is hidden.
    if (visible)
        imgPreview->Refresh();
    imgPreview->setVisible(visible);
}

void TFMain::RepaintPreview() { imgPreview->Refresh(); }

platform::Bitmap& TFMain::BrowserPicture() { return imgJPG->Bitmap(); }

void TFMain::ClearBrowserPicture() { imgJPG->ClearPicture(); }

void TFMain::RepaintBrowserPicture() { imgJPG->Refresh(); }

void TFMain::SetModelText(const std::string& text) { lbModel->setText(QString::fromStdString(text)); }

void TFMain::RepaintFileList() { lvExplore->repaint(); }

void TFMain::RepaintResultPatch() {
    // While comparing, a new result is kept, not shown.
    if (!comparing) img100->Refresh();
}

}  // namespace app
