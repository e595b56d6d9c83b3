#pragma once
#include <QCursor>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/circle_editor.h"
#include "app/crop_model.h"
#include "pipeline/main_window_link.h"
#include "platform/bitmap.h"

class QAbstractFileIconProvider;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QSlider;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace controls {
class BlurPanel;
class TTrackBarMouse;
}  // namespace controls
namespace engine {
class ClassFFT;
}
namespace pipeline {
class DNGConvert;
}

namespace app {

class ActivationServer;
class BarProgress;
class IniFile;
class LabelStatus;
class PictureView;
class SplitterBar;
class TFBlend;

// The program's main window: the folder browser on the left, the photo's
// previews, the blur settings and the deblur, save, update and About
// controls on the right. It owns the workflow object, the engine, the blur
// panel and the settings file. Components are public: the photo workflow and
// the deblurring handlers read and write them directly.
class TFMain : public QWidget, public pipeline::MainWindowLink {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 1018;
    static constexpr int kClientHeight = 673;

    // Builds the form, listens for the activation of a second start and makes
    // the workflow object. In plug-in mode the browser and the saving
    // choices are hidden.
    explicit TFMain(QWidget* parent = nullptr);
    ~TFMain() override;

    // Enables or disables the browser and the controls that start work.
    void EnableControls(bool enabled);
    // A photo is open (a JPEG loaded or a DNG opened): its preview is shown.
    // Zoom, circles, the final result and the indicator need one behind them.
    bool PhotoOpen() const;
    // Every child of the group that is not a label.
    void EnableGroupControls(QGroupBox* group, bool enabled);

    // What the photo workflow reads and writes of the window.
    engine::ClassFFT* FftEngine() override;
    bool KernelIsNotEmpty() const override;
    void SetMaskingMaximum(int maximum) override;
    void SetLocalizationMaximum(int maximum) override;
    pipeline::DNGConvert& Convert() override;
    int CropLeft() const override;
    int CropTop() const override;
    int ZoomPercent() const override;
    int BrightnessPosition() const override;
    int ContrastPosition() const override;
    int ProfileIndex() const override;
    void SetHighQualityEnabled(bool enabled) override;
    void SetHighQualityChecked(bool checked) override;
    bool AutoSave() const override;
    bool StripExif() const override;
    std::string AutoSaveFolder() const override;
    std::string LastSavedName() const override;
    void ShowLastSaved(const std::string& caption) override;
    bool SaveWithDialog(const std::string& sourcePath,
                        const std::function<void(const std::string& path)>& write) override;
    platform::StatusLabelControl& StatusLabel() override;
    platform::ProgressBarControl& StatusBar() override;
    platform::StatusLabelControl& OverlayStatusLabel() override;
    platform::ProgressBarControl& OverlayStatusBar() override;
    platform::Bitmap& PreviewPicture() override;
    void ClearPreviewPicture() override;
    void SetPreviewVisible(bool visible) override;
    void RepaintPreview() override;
    platform::Bitmap& BrowserPicture() override;
    void ClearBrowserPicture() override;
    void RepaintBrowserPicture() override;
    void SetModelText(const std::string& text) override;
    void RepaintFileList() override;
    void RepaintResultPatch() override;

    // Form components, in their nesting.
    QWidget* Panel1 = nullptr;
    QFrame* Panel3 = nullptr;
    SplitterBar* Splitter2 = nullptr;
    QTreeWidget* tvExplore = nullptr;
    SplitterBar* spMain = nullptr;
    QComboBox* cbFilter = nullptr;
    QListWidget* lvExplore = nullptr;
    SplitterBar* spMainImage = nullptr;
    QFrame* Panel4 = nullptr;
    PictureView* imgJPG = nullptr;
    QLabel* lbModel = nullptr;
    QFrame* pnMain = nullptr;
    QGroupBox* gbSettings = nullptr;
    QComboBox* cbProfile = nullptr;
    QLabel* Label1 = nullptr;
    QSlider* tbBrightnessStub = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* tbContrastStub = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* lbCirclesCount = nullptr;
    QSlider* tbTest = nullptr;
    QLabel* lbStat = nullptr;
    QFrame* shDB = nullptr;
    QGroupBox* gbPreview = nullptr;
    PictureView* imgPreview = nullptr;
    QGroupBox* gbResult = nullptr;
    PictureView* img100 = nullptr;
    PictureView* imgCircles = nullptr;
    QLabel* lbLeicaTDistortion = nullptr;
    QPushButton* btPercentage = nullptr;
    QToolButton* sbDeblurCircle = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QToolButton* sbUnselect = nullptr;
    QToolButton* sbDeblurCircleDelete = nullptr;
    QCheckBox* cbHighQuality = nullptr;
    QGroupBox* gbExecute = nullptr;
    QLabel* lbStatus = nullptr;
    QProgressBar* pbStatus = nullptr;
    QPushButton* btCreatePreview = nullptr;
    QPushButton* btApplyDeblur = nullptr;
    QGroupBox* gbExport = nullptr;
    QCheckBox* cbAutoSave = nullptr;
    QCheckBox* cbStripExif = nullptr;
    QLabel* lbLastSaved = nullptr;
    QLabel* lbFolder = nullptr;
    QToolButton* sbBrowse = nullptr;
    QPushButton* btUpdate = nullptr;
    QPushButton* btAbout = nullptr;
    QPushButton* btClose = nullptr;
    // The icons shown by the tree and the list, shared by both.
    std::vector<QIcon> exploreImages;
    QAction* actionUnselectCircle = nullptr;
    QAction* actionDeleteCircle = nullptr;

    // State shared by the window's handlers.
    bool inResultUpdate = false;
    int lastBrightness = 0;
    int lastContrast = 0;
    int circleCursorIndex = -1;
    bool isJPEG = false;
    bool comparing = false;
    std::unique_ptr<platform::Bitmap> compareBitmap;
    bool deblurActive = false;
    bool suppressListFill = false;
    bool settingsGuard = true;
    qint64 lastIconId = -100000;
    int lastIconIndex = -1;
    QStringList filePaths;
    // Crop centre and origin, zoom and the last pan position.
    CropModel crop;
    // Press position, grip offset and what the pointer is over on the
    // circle overlay; edits the engine's circles once the engine exists.
    CircleEditor circleEditor;
    bool previewDragging = false;
    std::unique_ptr<engine::ClassFFT> fftEngine;
    controls::BlurPanel* blurPanel = nullptr;
    controls::TTrackBarMouse* tbCircleSize = nullptr;
    controls::TTrackBarMouse* tbCircleFeather = nullptr;
    controls::TTrackBarMouse* tbBrightness = nullptr;
    controls::TTrackBarMouse* tbContrast = nullptr;
    std::unique_ptr<IniFile> iniFile;
    std::unique_ptr<pipeline::DNGConvert> convert;
    QString lastSavedName;
    // The folder of the last file saved through the dialog in this run.
    std::string lastSavedFolder;
    // The command-line photo was opened by the first resize in plug-in mode.
    bool plugInAutoOpened = false;
    // Address of the published version text.
    QString updateUrl;
    // Where the browser's icons come from: the platform's, or a test's own.
    QAbstractFileIconProvider* iconProvider = nullptr;

    // Runs once, when the window is first shown.
    void FormShow();
    // Plug-in mode: the first resize after the first show opens the photo.
    void FormResize();
    // A second start asked this one to come forward (or, in plug-in mode, to go).
    void ActivationReceived();
    void btCloseClick();

    // Folder tree and file list.
    void tvExploreExpanding(QTreeWidgetItem* node);
    void tvExploreClick();
    void cbFilterChange();
    void FillFolderChildren(const QString& folder, QTreeWidgetItem* node);
    void FillFileList(const QString& folder);
    // Gives the tree node or the list item (one of them is null) its icon.
    void GetShellIcon(const QString& path, QTreeWidgetItem* node, QListWidgetItem* item);

    // Selecting and opening a photo.
    void lvExploreSelectItem();
    void FileSelected();
    // Returns true when a DNG was opened.
    bool OpenSelectedPhotos();
    void btCreatePreviewClick();

    // Settings file and export folder.
    void LoadSettings();
    // Write test of the folder; shows "No permission" and returns false when it fails.
    bool CheckFolderWritable(const QString& folder);
    void sbBrowseClick();
    void cbAutoSaveClick();
    void cbStripExifClick();

    void btUpdateClick();
    void btAboutClick();

    // Preview crop, zoom and panning (main_crop.cpp). The two ints of
    // PositionCrop are not used: the stored crop centre is.
    void PositionCrop(int x, int y, bool repaintPatch);
    void CopyCrop();
    void imgPreviewMouseDown(int x, int y);
    void imgPreviewMouseMove(int x, int y);
    void imgPreviewMouseUp();
    void btPercentageClick();

    // Result patch and blur settings (main_result_patch.cpp).
    void UpdateResult();
    void ShowDeblurStatus(bool on);
    // Deblurring is on and an open photo's patch shows it.
    bool DeblurOnPhoto() const;
    void CopyBlurSettings();
    void BlurSettingsChanged();
    void KernelNotEmpty();
    void KernelEmpty();
    void CompareStart();
    void CompareEnd();
    void SliderMouseDown(controls::TTrackBarMouse* sender);
    void SliderMouseUp(controls::TTrackBarMouse* sender);
    void cbHighQualityClick();
    void tbTestChange();
    // Fill and outline of the deblur indicator and the caption beside it.
    void SetDeblurIndicator(const QColor& fill, const QColor& outline, const QString& caption);

    // Deblur circle editing (main_circles.cpp).
    void sbDeblurCircleClick();
    void imgCirclesMouseDown(int x, int y);
    void imgCirclesMouseMove(int x, int y);
    void imgCirclesMouseUp();
    void imgCirclesMouseLeave();
    void CircleSliderChange(controls::TTrackBarMouse* sender);
    void actionUnselectCircleExecute();
    void actionUnselectCircleUpdate();
    void actionDeleteCircleExecute();
    void actionDeleteCircleUpdate();
    void DrawCircles();
    void CreateCircleCursor();

    // Final result, progress overlay and save dialog (main_final_result.cpp).
    void btApplyDeblurClick();
    void ShowBlendOverlay();
    void HideBlendOverlay();
    // Cancel of the overlay: the workflow's request, the negative's abort
    // flag when there is a negative, and the engine's flag.
    void CancelWork();
    // Binds the handlers above to their controls; run by FormShow once the
    // blur panel and the sliders exist.
    void ConnectDeblurHandlers();

    // The JPEG as it was loaded; the final result saves from it even when
    // the file list has lost its selection since.
    QString loadedJpegPath;
    // A release on the preview is not handled while its recomputation runs.
    bool previewReleaseDetached = false;
    // The circle-placing cursor once CreateCircleCursor has built it.
    QCursor circleCursor;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildLayout();
    void NameComponents();
    void BuildBrowserColumn();
    void BuildSettingsAndStatus();
    void BuildPreviewAndResult();
    void BuildExecuteAndExport();
    // Stacks the browser column's visible parts from the top, the
    // embedded-preview panel taking the rest.
    void LayoutBrowserColumn();
    void ConnectHandlers();
    void CreateSliders();
    void AddDesktopRoot();
    // The selected file list entry's path, or empty when none is selected.
    QString SelectedListPath() const;

    ActivationServer* activationServer_ = nullptr;
    std::unique_ptr<QAbstractFileIconProvider> platformIcons_;
    std::unique_ptr<LabelStatus> statusLabel_;
    std::unique_ptr<BarProgress> statusBar_;
    // The progress overlay's label and bar while a final result is made.
    std::unique_ptr<LabelStatus> overlayLabel_;
    std::unique_ptr<BarProgress> overlayBar_;
    bool formShown_ = false;
    int treeHeight_ = 256;
    int listHeight_ = 265;
    // Size of the pane a splitter drag started from.
    int dragStartSize_ = 0;
};

// The process-wide main window; null while there is none.
extern TFMain* FMain;

}  // namespace app
