// Selecting a photo in the browser, opening a DNG, and the plug-in auto-open.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "app/main_window.h"
#include "app/photo_files.h"
#include "app/picture_view.h"
#include "app/save_dialog.h"
#include "pipeline/output_naming.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/plugin_mode.h"
#include "pipeline/supported_cameras.h"

namespace app {

QString TFMain::SelectedListPath() const {
    const QList<QListWidgetItem*> selected = lvExplore->selectedItems();
    if (selected.isEmpty())
        return {};
    const int index = lvExplore->row(selected.first());
    return index >= 0 && index < filePaths.size() ? filePaths[index] : QString();
}

void TFMain::lvExploreSelectItem() {
    if (!lvExplore->selectedItems().isEmpty())
        FileSelected();
}

void TFMain::FileSelected() {
    imgPreview->ClearPicture();
    // A DNG whose preview render failed left the picture hidden.
    imgPreview->show();
    img100->ClearPicture();
    // A patch kept by a running compare belongs to the photo being left.
    compareBitmap.reset();
    comparing = false;
    lbLastSaved->hide();
    const QString path = pipeline::gPluginMode ? QString::fromStdString(pipeline::gFileToOpen) : SelectedListPath();
    const QString extension = ExtensionOf(path).toLower();

    blurPanel->ResetSliders();
    fftEngine->ClearCircles();
    DrawCircles();
    sbDeblurCircle->setChecked(false);
    lbCirclesCount->setText("-");
    crop.zoomPercent = 100;
    gbResult->setTitle("100% - drag to move the image");

    if (extension == ".dng") {
        convert->ReadPreviewDNG(path.toStdString());
        blurPanel->hide();
        isJPEG = false;
        img100->ClearPicture();
        btCreatePreview->show();
        btCreatePreview->setEnabled(true);
        btApplyDeblur->setEnabled(false);
        cbProfile->setEnabled(true);
        btPercentage->setEnabled(false);
        sbDeblurCircle->setEnabled(false);
        cbStripExif->setEnabled(false);
        if (!pipeline::gPluginMode)
            lbStatus->setText("Click 'Open DNG' to load the photo...");
        lbStatus->show();
    } else if (extension == ".jpg" || extension == ".jpeg") {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!convert->LoadJPG(path.toStdString())) {
            imgPreview->ClearPicture();
            img100->ClearPicture();
            blurPanel->hide();
            btPercentage->setEnabled(false);
            sbDeblurCircle->setEnabled(false);
            QApplication::restoreOverrideCursor();
            return;
        }
        isJPEG = true;
        loadedJpegPath = path;
        blurPanel->show();
        blurPanel->repaint();
        PositionCrop(0, 0, true);
        btCreatePreview->hide();
        btPercentage->setEnabled(true);
        sbDeblurCircle->setEnabled(true);
        cbHighQuality->hide();
        cbProfile->setCurrentIndex(0);
        cbProfile->setEnabled(false);
        for (controls::TTrackBarMouse* slider : {tbBrightness, tbContrast, tbCircleSize, tbCircleFeather})
            slider->setEnabled(false);
        lbStatus->hide();
        cbStripExif->setEnabled(true);
        if (KernelIsNotEmpty()) {
            btApplyDeblur->setEnabled(true);
            UpdateResult();
        }
        QApplication::restoreOverrideCursor();
    }

    cbHighQuality->hide();
    lbLeicaTDistortion->setVisible(!isJPEG && pipeline::CorrectsLensDistortion(convert->CameraCode));
}

bool TFMain::OpenSelectedPhotos() {
    if (!pipeline::gPluginMode && lvExplore->selectedItems().isEmpty())
        return false;
    lbStatus->setText("Loading...");
    lbStatus->repaint();
    const QString path = pipeline::gPluginMode ? QString::fromStdString(pipeline::gFileToOpen) : SelectedListPath();
    const FileKindCode kind = FileKind(path);
    imgPreview->ClearPicture();
    bool result = false;
    if (kind == FileKindCode::Dng) {
        lvExplore->repaint();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            if (!convert->ProcessDNG(path.toStdString(), pipeline::FileNamePart(path.toStdString()))) {
                // The refusal has been shown; nothing is loading any more.
                lbStatus->clear();
                QApplication::restoreOverrideCursor();
                return false;
            }
            result = true;
        } catch (...) {
            imgPreview->ClearPicture();
            result = false;
        }
        QApplication::restoreOverrideCursor();
    }
    pbStatus->setValue(0);
    lbStatus->hide();
    lbStatus->setText("Done...");
    lbStatus->repaint();
    return result;
}

void TFMain::btCreatePreviewClick() {
    EnableControls(false);
    pbStatus->show();
    lbLeicaTDistortion->hide();
    lbLeicaTDistortion->repaint();
    OpenSelectedPhotos();
    pbStatus->hide();
    EnableControls(true);
    cbProfile->setEnabled(false);
    PositionCrop(0, 0, true);
    btCreatePreview->setEnabled(false);
    blurPanel->show();
    blurPanel->repaint();
    cbHighQuality->show();
    if (KernelIsNotEmpty()) {
        btApplyDeblur->setEnabled(PhotoOpen());
        UpdateResult();
    }
}

void TFMain::FormResize() {
    if (!pipeline::gPluginMode || plugInAutoOpened || isJPEG)
        return;
    plugInAutoOpened = true;
    btCreatePreview->hide();
    repaint();
    lbStatus->show();
    btCreatePreviewClick();
}

}  // namespace app
