#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/kernel_grid.h"
#include "engine/class_fft.h"
#include "pipeline/main_window_link.h"
#include "platform/bitmap.h"
#include "platform/progress_controls.h"

namespace pipeline {

// A status label that keeps every text it was given.
class RecordingLabel : public platform::StatusLabelControl {
public:
    std::string Text() const override { return text; }
    void SetText(const std::string& value) override;
    void Repaint() override { ++repaints; }

    std::string text;
    std::vector<std::string> history;
    int repaints = 0;
    // Called with each new text (tools print it).
    std::function<void(const std::string&)> onText;
};

// A progress bar that keeps every position it was put at.
class RecordingBar : public platform::ProgressBarControl {
public:
    void SetMin(int value) override { min = value; }
    void SetMax(int value) override { max = value; }
    void SetPosition(int value) override;
    int Min() const override { return min; }
    int Max() const override { return max; }
    int Position() const override { return position; }
    void Repaint() override {}

    int min = 0;
    int max = 100;
    int position = 0;
    std::vector<int> positions;
};

// One message box as it was asked for.
struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

// The main window without a screen: owns an engine, a kernel grid and the
// workflow object, keeps the settings a caller gives it, and records what the
// pipeline shows. It installs itself as gMainWindow and takes the message
// boxes for its lifetime; only one may exist at a time.
class HeadlessWindow : public MainWindowLink {
public:
    HeadlessWindow();
    ~HeadlessWindow() override;
    HeadlessWindow(const HeadlessWindow&) = delete;
    HeadlessWindow& operator=(const HeadlessWindow&) = delete;

    engine::ClassFFT* FftEngine() override { return &engine; }
    bool KernelIsNotEmpty() const override { return grid.IsNotEmpty(); }
    void SetMaskingMaximum(int maximum) override { maskingMaximum = maximum; }
    void SetLocalizationMaximum(int maximum) override { localizationMaximum = maximum; }
    DNGConvert& Convert() override { return *convert; }

    int CropLeft() const override { return cropLeft; }
    int CropTop() const override { return cropTop; }
    int ZoomPercent() const override { return zoomPercent; }
    int BrightnessPosition() const override { return brightness; }
    int ContrastPosition() const override { return contrast; }
    int ProfileIndex() const override { return profileIndex; }

    void SetHighQualityEnabled(bool enabled) override { highQualityEnabled = enabled; }
    void SetHighQualityChecked(bool checked) override;

    bool AutoSave() const override { return autoSave; }
    bool StripExif() const override { return stripExif; }
    std::string AutoSaveFolder() const override { return autoSaveFolder; }
    std::string LastSavedName() const override { return lastSavedName; }
    void ShowLastSaved(const std::string& caption) override;
    // Answers with dialogPath (empty: Cancel) and hands it to `write`; once that
    // returned, its file name is the last saved name.
    bool SaveWithDialog(const std::string& sourcePath,
                        const std::function<void(const std::string& path)>& write) override;

    platform::StatusLabelControl& StatusLabel() override { return statusLabel; }
    platform::ProgressBarControl& StatusBar() override { return statusBar; }
    platform::StatusLabelControl& OverlayStatusLabel() override { return overlayLabel; }
    platform::ProgressBarControl& OverlayStatusBar() override { return overlayBar; }

    platform::Bitmap& PreviewPicture() override { return preview; }
    void ClearPreviewPicture() override { preview = platform::Bitmap(); }
    void SetPreviewVisible(bool visible) override { previewVisible = visible; }
    void RepaintPreview() override { ++previewRepaints; }
    platform::Bitmap& BrowserPicture() override { return browser; }
    void ClearBrowserPicture() override { browser = platform::Bitmap(); }
    void RepaintBrowserPicture() override { ++browserRepaints; }
    void SetModelText(const std::string& text) override { modelText = text; }
    void RepaintFileList() override { ++fileListRepaints; }
    void RepaintResultPatch() override { ++resultPatchRepaints; }

    // Messages shown so far; `onMessage` is called with each as it comes.
    std::vector<RecordedMessage> messages;
    std::function<void(const RecordedMessage&)> onMessage;

    controls::KernelGrid grid;
    engine::ClassFFT engine;
    std::unique_ptr<DNGConvert> convert;

    int cropLeft = 0;
    int cropTop = 0;
    int zoomPercent = 100;
    int brightness = 0;
    int contrast = 0;
    int profileIndex = 0;
    int maskingMaximum = -1;
    int localizationMaximum = -1;
    bool highQualityEnabled = true;
    bool highQualityChecked = false;
    bool autoSave = false;
    bool stripExif = false;
    std::string autoSaveFolder;
    std::string lastSavedName;
    std::string lastSavedCaption;
    bool lastSavedVisible = false;
    // What the save dialog answers; empty for Cancel.
    std::string dialogPath;

    RecordingLabel statusLabel;
    RecordingBar statusBar;
    RecordingLabel overlayLabel;
    RecordingBar overlayBar;

    platform::Bitmap preview;
    bool previewVisible = true;
    int previewRepaints = 0;
    platform::Bitmap browser;
    int browserRepaints = 0;
    std::string modelText;
    int fileListRepaints = 0;
    int resultPatchRepaints = 0;
};

}  // namespace pipeline
