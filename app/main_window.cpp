#include "app/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileIconProvider>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "app/about_form.h"
#include "app/blend.h"
#include "app/circle_overlay.h"
#include "app/ini_file.h"
#include "app/picture_view.h"
#include "app/program_icon.h"
#include "app/single_instance.h"
#include "app/splitter_bar.h"
#include "app/status_adapters.h"
#include "app/web_addresses.h"
#include "app/window_placement.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/plugin_mode.h"

namespace app {

TFMain* FMain = nullptr;

// The fields start as their initializers in the class say.
TFMain::TFMain(QWidget* parent) : QWidget(parent) {
    BuildLayout();
    setWindowIcon(QPixmap::fromImage(ProgramIcon()));
    activationServer_ = new ActivationServer([this] { ActivationReceived(); }, this);
    convert = std::make_unique<pipeline::DNGConvert>();
    statusLabel_ = std::make_unique<LabelStatus>(lbStatus);
    statusBar_ = std::make_unique<BarProgress>(pbStatus);
    platformIcons_ = std::make_unique<QFileIconProvider>();
    iconProvider = platformIcons_.get();
    updateUrl = UpdateUrl();
    if (pipeline::gPluginMode) {
        for (QWidget* browser :
             std::initializer_list<QWidget*>{tvExplore, lvExplore, spMain, spMainImage, cbFilter, gbExport})
            browser->hide();
        LayoutBrowserColumn();
    }
    ConnectHandlers();
    pipeline::gMainWindow = this;
}

TFMain::~TFMain() {
    convert.reset();
    if (pipeline::gMainWindow == this)
        pipeline::gMainWindow = nullptr;
    if (FMain == this)
        FMain = nullptr;
}

void TFMain::ConnectHandlers() {
    connect(tvExplore, &QTreeWidget::itemExpanded, this, &TFMain::tvExploreExpanding);
    connect(tvExplore, &QTreeWidget::itemClicked, this, [this] { tvExploreClick(); });
    connect(cbFilter, &QComboBox::currentIndexChanged, this, [this] { cbFilterChange(); });
    connect(lvExplore, &QListWidget::itemSelectionChanged, this, &TFMain::lvExploreSelectItem);
    connect(btCreatePreview, &QPushButton::clicked, this, &TFMain::btCreatePreviewClick);
    // Check boxes report every change of state, the program's own included.
    connect(cbAutoSave, &QCheckBox::toggled, this, [this] { cbAutoSaveClick(); });
    connect(cbStripExif, &QCheckBox::toggled, this, [this] { cbStripExifClick(); });
    connect(sbBrowse, &QToolButton::clicked, this, &TFMain::sbBrowseClick);
    connect(btUpdate, &QPushButton::clicked, this, &TFMain::btUpdateClick);
    connect(btAbout, &QPushButton::clicked, this, &TFMain::btAboutClick);
    connect(btClose, &QPushButton::clicked, this, &TFMain::btCloseClick);
}

void TFMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (formShown_)
        return;
    formShown_ = true;
    // The fixed-size window opens in the middle of the screen that holds it.
    CentreOnScreen(this, screen());
    FormShow();
    // The first resize reaches the window before it is shown; the auto-open
    // waits for the photo that the first show selects.
    QTimer::singleShot(0, this, &TFMain::FormResize);
}

void TFMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (formShown_)
        FormResize();
}

void TFMain::FormShow() {
    imgPreview->setCursor(Qt::PointingHandCursor);
    imgCircles->setCursor(Qt::PointingHandCursor);
    if (FBlend) {
        FBlend->setParent(this);
        FBlend->hide();
        overlayLabel_ = std::make_unique<LabelStatus>(FBlend->lbStatus);
        overlayBar_ = std::make_unique<BarProgress>(FBlend->pbStatus);
    }

    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Clarivane";
    QDir().mkpath(dataFolder);
    iniFile = std::make_unique<IniFile>(dataFolder + "/Clarivane.ini");
    fftEngine = std::make_unique<engine::ClassFFT>(dataFolder.toStdString());

    blurPanel = new controls::BlurPanel(pnMain);
    blurPanel->setObjectName("blurPanel");
    blurPanel->setGeometry(10, gbPreview->y() + gbPreview->height() + 7, gbPreview->width() - 2, 237);
    fftEngine->kernelPanel = blurPanel->grid;
    CreateSliders();
    ConnectDeblurHandlers();

    if (FAbout) {
        FAbout->lbAbout->setText(QString("Clarivane - Version ") + kProgramVersion);
        FAbout->lbAbout->adjustSize();
    }
    LoadSettings();
    AddDesktopRoot();

    imgPreview->ClearPicture();
    blurPanel->hide();
    cbHighQuality->hide();
    circleEditor.circleMouseDown = circleEditor.moveMode = circleEditor.circleHit = false;
    circleEditor.topHandleMode = circleEditor.rightHandleMode = false;
    circleEditor.bottomHandleMode = circleEditor.leftHandleMode = false;

    platform::Bitmap& overlay = imgCircles->Bitmap();
    overlay = platform::Bitmap(img100->width(), img100->height(), platform::PixelFormat::pf24bit);
    ClearOverlay(overlay);
    imgCircles->transparentColor = OverlayTransparentColor();
    imgCircles->Refresh();

    if (pipeline::gPluginMode)
        FileSelected();
    else
        tvExploreClick();
}

void TFMain::CreateSliders() {
    struct SliderSetting {
        const char* name;
        controls::TTrackBarMouse*& slider;
        QWidget* parent;
        QRect geometry;
        int minimum;
        int maximum;
        int position;
    };
    const int circleTop = img100->y() + img100->height() + 10;
    const int featherLeft = 152 + 80 + 50;
    const SliderSetting settings[] = {
        {"tbCircleSize", tbCircleSize, gbResult, {152, circleTop, 80, 22}, 20, 1000, 200},
        {"tbCircleFeather", tbCircleFeather, gbResult, {featherLeft, circleTop, 80, 22}, 0, 80, 20},
        {"tbBrightness", tbBrightness, gbSettings, tbBrightnessStub->geometry(), -75, 75, 0},
        {"tbContrast", tbContrast, gbSettings, tbContrastStub->geometry(), -75, 75, 0},
    };
    for (const SliderSetting& setting : settings) {
        auto* slider = new controls::TTrackBarMouse(setting.parent);
        slider->setObjectName(setting.name);
        slider->setGeometry(setting.geometry);
        slider->setRange(setting.minimum, setting.maximum);
        slider->setPageStep(1);
        slider->show();
        slider->setValue(setting.position);
        slider->setEnabled(false);
        setting.slider = slider;
    }
}

void TFMain::ActivationReceived() {
    showNormal();
    if (pipeline::gPluginMode) {
        close();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void TFMain::EnableControls(bool enabled) {
    for (QWidget* browser : std::initializer_list<QWidget*>{tvExplore, lvExplore}) {
        browser->setEnabled(enabled);
        browser->repaint();
    }
    EnableGroupControls(gbExport, enabled);
    if (!isJPEG)
        cbStripExif->setEnabled(false);
    EnableGroupControls(gbSettings, enabled);
    if (isJPEG) {
        // Colour space, brightness and contrast act on a DNG's rendering only.
        for (QWidget* dngOnly : std::initializer_list<QWidget*>{cbProfile, tbBrightness, tbContrast})
            dngOnly->setEnabled(false);
    }
    gbExport->repaint();
    btPercentage->setEnabled(enabled && PhotoOpen());
    sbDeblurCircle->setEnabled(enabled && PhotoOpen());
    btCreatePreview->setEnabled(enabled);
    btCreatePreview->repaint();
    if (enabled && !pipeline::gPluginMode)
        lvExplore->setFocus();
}

bool TFMain::PhotoOpen() const { return imgPreview->HasPicture(); }

void TFMain::EnableGroupControls(QGroupBox* group, bool enabled) {
    for (QObject* child : group->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || qobject_cast<QLabel*>(control))
            continue;
        control->setEnabled(enabled);
        control->repaint();
    }
}

void TFMain::btCloseClick() { close(); }

}  // namespace app
