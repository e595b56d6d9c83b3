// The main window's form: every component at its pixel position and size.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "app/form_fonts.h"
#include "app/main_window.h"
#include "app/picture_view.h"
#include "app/splitter_bar.h"

namespace app {

namespace {

constexpr int kBrowserWidth = 156;
constexpr int kSplitterThickness = 3;
constexpr int kFilterHeight = 24;
constexpr int kMinimumPaneHeight = 50;
// Inner edge of the browser column's raised border.
constexpr int kColumnBorder = 1;
const QColor kPurple(0x80, 0x00, 0x80);

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

// The colour of enabled text only: a disabled control keeps the style's greyed text.
void SetEnabledTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void SetFontStyle(QWidget* widget, bool bold, bool italic, const QColor* colour = nullptr) {
    QFont font = widget->font();
    font.setBold(bold);
    font.setItalic(italic);
    widget->setFont(font);
    if (colour)
        SetEnabledTextColour(widget, *colour);
}

QPushButton* MakeButton(QWidget* parent, const QString& text, QRect geometry, bool enabled = true) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setEnabled(enabled);
    return button;
}

QToolButton* MakeSpeedButton(QWidget* parent, QRect geometry, QStyle::StandardPixmap glyph, bool flat) {
    auto* button = new QToolButton(parent);
    button->setGeometry(geometry);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setAutoRaise(flat);
    return button;
}

QSlider* MakeTrackBar(QWidget* parent, QRect geometry, int minimum, int maximum) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setGeometry(geometry);
    slider->setRange(minimum, maximum);
    return slider;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& caption, QRect geometry) {
    auto* group = new QGroupBox(caption, parent);
    group->setGeometry(geometry);
    return group;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& caption, QRect geometry) {
    auto* box = new QCheckBox(caption, parent);
    box->setGeometry(geometry);
    return box;
}

}  // namespace

void TFMain::BuildLayout() {
    setWindowTitle("Clarivane");
    setFixedSize(kClientWidth, kClientHeight);
    setFont(FormFont("Trebuchet MS", 11));
    SetEnabledTextColour(this, Qt::black);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 0, kClientWidth, kClientHeight);
    BuildBrowserColumn();
    pnMain = new QFrame(Panel1);
    pnMain->setGeometry(kBrowserWidth + kSplitterThickness, 0, kClientWidth - kBrowserWidth - kSplitterThickness,
                        kClientHeight);
    BuildSettingsAndStatus();
    BuildPreviewAndResult();
    BuildExecuteAndExport();

    actionUnselectCircle = new QAction(this);
    actionUnselectCircle->setToolTip("Unselect selected circle");
    actionUnselectCircle->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    actionUnselectCircle->setEnabled(false);
    actionDeleteCircle = new QAction(this);
    actionDeleteCircle->setToolTip("Delete selected circle");
    actionDeleteCircle->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    actionDeleteCircle->setEnabled(false);
    sbUnselect->setDefaultAction(actionUnselectCircle);
    sbDeblurCircleDelete->setDefaultAction(actionDeleteCircle);
    NameComponents();
}

// Components are found by their names, as in the form layout.
void TFMain::NameComponents() {
#define CLARIVANE_NAME(component) component->setObjectName(QStringLiteral(#component))
    CLARIVANE_NAME(Panel1);
    CLARIVANE_NAME(Panel3);
    CLARIVANE_NAME(Splitter2);
    CLARIVANE_NAME(tvExplore);
    CLARIVANE_NAME(spMain);
    CLARIVANE_NAME(cbFilter);
    CLARIVANE_NAME(lvExplore);
    CLARIVANE_NAME(spMainImage);
    CLARIVANE_NAME(Panel4);
    CLARIVANE_NAME(imgJPG);
    CLARIVANE_NAME(lbModel);
    CLARIVANE_NAME(pnMain);
    CLARIVANE_NAME(gbSettings);
    CLARIVANE_NAME(cbProfile);
    CLARIVANE_NAME(Label1);
    CLARIVANE_NAME(tbBrightnessStub);
    CLARIVANE_NAME(Label2);
    CLARIVANE_NAME(tbContrastStub);
    CLARIVANE_NAME(GroupBox1);
    CLARIVANE_NAME(lbCirclesCount);
    CLARIVANE_NAME(tbTest);
    CLARIVANE_NAME(lbStat);
    CLARIVANE_NAME(shDB);
    CLARIVANE_NAME(gbPreview);
    CLARIVANE_NAME(imgPreview);
    CLARIVANE_NAME(gbResult);
    CLARIVANE_NAME(img100);
    CLARIVANE_NAME(imgCircles);
    CLARIVANE_NAME(lbLeicaTDistortion);
    CLARIVANE_NAME(btPercentage);
    CLARIVANE_NAME(sbDeblurCircle);
    CLARIVANE_NAME(Label4);
    CLARIVANE_NAME(Label5);
    CLARIVANE_NAME(sbUnselect);
    CLARIVANE_NAME(sbDeblurCircleDelete);
    CLARIVANE_NAME(cbHighQuality);
    CLARIVANE_NAME(gbExecute);
    CLARIVANE_NAME(lbStatus);
    CLARIVANE_NAME(pbStatus);
    CLARIVANE_NAME(btCreatePreview);
    CLARIVANE_NAME(btApplyDeblur);
    CLARIVANE_NAME(gbExport);
    CLARIVANE_NAME(cbAutoSave);
    CLARIVANE_NAME(cbStripExif);
    CLARIVANE_NAME(lbLastSaved);
    CLARIVANE_NAME(lbFolder);
    CLARIVANE_NAME(sbBrowse);
    CLARIVANE_NAME(btUpdate);
    CLARIVANE_NAME(btAbout);
    CLARIVANE_NAME(btClose);
    CLARIVANE_NAME(actionUnselectCircle);
    CLARIVANE_NAME(actionDeleteCircle);
#undef CLARIVANE_NAME
}

void TFMain::BuildBrowserColumn() {
    Panel3 = new QFrame(Panel1);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel3->setGeometry(0, 0, kBrowserWidth, kClientHeight);
    Splitter2 = new SplitterBar(Qt::Vertical, Panel1);
    Splitter2->setGeometry(kBrowserWidth, 0, kSplitterThickness, kClientHeight);

    tvExplore = new QTreeWidget(Panel3);
    tvExplore->setHeaderHidden(true);
    tvExplore->setIndentation(11);
    tvExplore->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvExplore->setMinimumHeight(kMinimumPaneHeight);
    tvExplore->setStyleSheet("QTreeView { background: white; }");
    spMain = new SplitterBar(Qt::Horizontal, Panel3);

    cbFilter = new QComboBox(Panel3);
    cbFilter->addItems({"DNG & JPEG", "DNG only", "JPEG only"});
    cbFilter->setCurrentIndex(0);

    lvExplore = new QListWidget(Panel3);
    lvExplore->setSelectionMode(QAbstractItemView::SingleSelection);
    lvExplore->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvExplore->setMinimumHeight(kMinimumPaneHeight);
    lvExplore->setIconSize(QSize(16, 16));
    spMainImage = new SplitterBar(Qt::Horizontal, Panel3);

    Panel4 = new QFrame(Panel3);
    Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel4->setMinimumHeight(kMinimumPaneHeight);
    imgJPG = new PictureView(Panel4);
    imgJPG->center = imgJPG->proportional = imgJPG->stretch = true;
    lbModel = new QLabel("", Panel4);
    lbModel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lbModel->setFont(FormFont("Tahoma", 9));

    auto resizeAbove = [this](SplitterBar* bar, int distance) {
        int& height = bar == spMain ? treeHeight_ : listHeight_;
        if (distance == 0)
            dragStartSize_ = height;
        const int fixedRest = kFilterHeight + 2 * kSplitterThickness + kMinimumPaneHeight + 2 * kColumnBorder;
        const int otherPane = bar == spMain ? listHeight_ : treeHeight_;
        const int room = kClientHeight - fixedRest - otherPane;
        height = std::clamp(dragStartSize_ + distance, kMinimumPaneHeight, std::max(kMinimumPaneHeight, room));
        LayoutBrowserColumn();
    };
    spMain->OnDrag = resizeAbove;
    spMainImage->OnDrag = resizeAbove;
    Splitter2->OnDrag = [this](SplitterBar*, int distance) {
        if (distance == 0)
            dragStartSize_ = Panel3->width();
        const int width = std::clamp(dragStartSize_ + distance, 30, kClientWidth / 2);
        Panel3->resize(width, kClientHeight);
        Splitter2->move(width, 0);
        pnMain->setGeometry(width + kSplitterThickness, 0, kClientWidth - width - kSplitterThickness,
                            kClientHeight);
        LayoutBrowserColumn();
    };
    LayoutBrowserColumn();
}

void TFMain::LayoutBrowserColumn() {
    const int inner = Panel3->width() - 2 * kColumnBorder;
    int top = kColumnBorder;
    auto place = [&](QWidget* widget, int height) {
        if (widget->isHidden())
            return;
        widget->setGeometry(kColumnBorder, top, inner, height);
        top += height;
    };
    place(tvExplore, treeHeight_);
    place(spMain, kSplitterThickness);
    place(cbFilter, kFilterHeight);
    place(lvExplore, listHeight_);
    place(spMainImage, kSplitterThickness);
    Panel4->setGeometry(kColumnBorder, top, inner, kClientHeight - kColumnBorder - top);
    // Anchored on all sides (the picture) and on the bottom (the model line).
    imgJPG->setGeometry(7, 6, Panel4->width() - 13, Panel4->height() - 31);
    lbModel->setGeometry(7, Panel4->height() - 18, Panel4->width() - 16, 13);
}

void TFMain::BuildSettingsAndStatus() {
    gbSettings = MakeGroup(pnMain, "Settings (only apply to this preview, not to the final result - only for DNG) ",
                           {8, 2, 445, 53});
    cbProfile = new QComboBox(gbSettings);
    cbProfile->setGeometry(8, 21, 93, 23);
    cbProfile->addItems({"sRGB", "AdobeRGB", "ColorMatch", "ProPhoto"});
    cbProfile->setCurrentIndex(0);
    cbProfile->setMaxVisibleItems(15);
    Label1 = MakeLabel(gbSettings, "Brightness", {113, 24, 59, 15});
    tbBrightnessStub = MakeTrackBar(gbSettings, {172, 22, 100, 22}, -75, 75);
    tbBrightnessStub->hide();
    Label2 = MakeLabel(gbSettings, "Contrast", {287, 24, 51, 15});
    tbContrastStub = MakeTrackBar(gbSettings, {338, 22, 100, 22}, 0, 8);
    tbContrastStub->setValue(3);
    tbContrastStub->hide();

    GroupBox1 = MakeGroup(pnMain, "Deblur status", {459, 2, 392, 53});
    lbCirclesCount = MakeLabel(GroupBox1, "-", {12, 24, 145, 16});
    SetFontStyle(lbCirclesCount, true, true, &kPurple);
    tbTest = MakeTrackBar(GroupBox1, {44, 22, 228, 22}, 0, 100000);
    tbTest->hide();
    lbStat = MakeLabel(GroupBox1, "off ", {157, 24, 206, 16});
    lbStat->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetFontStyle(lbStat, false, true, &kPurple);
    shDB = new QFrame(GroupBox1);
    shDB->setGeometry(371, 26, 13, 13);
    shDB->setFrameStyle(QFrame::Box | QFrame::Plain);
    shDB->setAutoFillBackground(true);
}

void TFMain::BuildPreviewAndResult() {
    gbPreview = MakeGroup(pnMain, "Preview... click or drag in the picture for a 100%/200% crop", {8, 55, 352, 254});
    imgPreview = new PictureView(gbPreview);
    imgPreview->setGeometry(8, 21, 336, 224);
    imgPreview->center = imgPreview->proportional = true;

    gbResult = MakeGroup(pnMain, "100% - drag to move the image", {365, 55, 486, 533});
    img100 = new PictureView(gbResult);
    img100->setGeometry(8, 21, 472, 472);
    img100->center = true;
    imgCircles = new PictureView(gbResult);
    imgCircles->setGeometry(8, 21, 472, 472);
    imgCircles->center = true;
    imgCircles->raise();
    lbLeicaTDistortion = MakeLabel(gbResult,
                                   "Please note: The Leica T DNGs and Sony A7s DNGs use a DNG opcode to correct for "
                                   "lens distortion. Clarivane shows the uncorrected version, but the opcode is "
                                   "preserved in the deblurred result.",
                                   {26, 34, 431, 97});
    lbLeicaTDistortion->setAlignment(Qt::AlignCenter);
    lbLeicaTDistortion->setWordWrap(true);
    lbLeicaTDistortion->setFont(FormFont("Trebuchet MS", 12));
    lbLeicaTDistortion->hide();
    btPercentage = MakeButton(gbResult, "100/200%", {8, 500, 75, 25}, false);
    sbDeblurCircle = MakeSpeedButton(gbResult, {92, 500, 28, 25}, QStyle::SP_DialogApplyButton, false);
    sbDeblurCircle->setToolTip("Place or select deblur circle");
    sbDeblurCircle->setCheckable(true);
    sbDeblurCircle->setEnabled(false);
    Label4 = MakeLabel(gbResult, "Size", {129, 505, 25, 15});
    Label5 = MakeLabel(gbResult, "Feather", {238, 505, 47, 15});
    sbUnselect = MakeSpeedButton(gbResult, {376, 500, 28, 25}, QStyle::SP_DialogResetButton, true);
    sbDeblurCircleDelete = MakeSpeedButton(gbResult, {406, 500, 28, 25}, QStyle::SP_TrashIcon, true);

    cbHighQuality = MakeCheckBox(pnMain, "Three plane method - best on larger blur and high iso [slow]",
                                 {9, 561, 343, 17});
    cbHighQuality->hide();
}

void TFMain::BuildExecuteAndExport() {
    gbExecute = MakeGroup(pnMain, "Execute", {8, 587, 352, 80});
    lbStatus = MakeLabel(gbExecute, "Select a DNG or JPG on the left...", {14, 20, 295, 17});
    lbStatus->setWordWrap(true);
    lbStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pbStatus = new QProgressBar(gbExecute);
    pbStatus->setGeometry(138, 23, 204, 10);
    pbStatus->setTextVisible(false);
    pbStatus->hide();
    btCreatePreview = MakeButton(gbExecute, "Open DNG", {12, 45, 115, 25}, false);
    btApplyDeblur = MakeButton(gbExecute, "Create final result", {227, 46, 115, 25}, false);

    gbExport = MakeGroup(pnMain, "Save deblurred result", {365, 587, 405, 80});
    cbAutoSave = MakeCheckBox(gbExport, "Auto save final result", {14, 19, 127, 17});
    cbStripExif = MakeCheckBox(gbExport, "Strip EXIF (if any) from JPEG", {14, 39, 185, 17});
    lbLastSaved = MakeLabel(gbExport, "[saved: ]", {155, 18, 244, 17});
    lbLastSaved->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetFontStyle(lbLastSaved, false, true, &kPurple);
    lbLastSaved->hide();
    lbFolder = MakeLabel(gbExport, "[specify folder]", {14, 58, 348, 17});
    lbFolder->setEnabled(false);
    sbBrowse = MakeSpeedButton(gbExport, {376, 54, 23, 22}, QStyle::SP_DirOpenIcon, true);
    sbBrowse->setToolTip("Browse for folder to store monochrome DNGs in...");
    sbBrowse->hide();

    btUpdate = MakeButton(pnMain, "Update?", {778, 594, 73, 23});
    btAbout = MakeButton(pnMain, "About...", {778, 618, 73, 23});
    btClose = MakeButton(pnMain, "Close", {778, 643, 73, 23});
}

}  // namespace app
