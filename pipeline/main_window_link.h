#pragma once
#include <functional>
#include <string>

namespace engine {
class ClassFFT;
}

namespace platform {
class Bitmap;
class ProgressBarControl;
class StatusLabelControl;
}  // namespace platform

namespace pipeline {

class DNGConvert;

// What the pipeline reads and writes of the main window. The window
// implements it; tools and tests use the headless one (headless_window.h).
// Kept this narrow so the pipeline never sees a widget.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    // The window's deconvolution engine, or null before it has made one.
    virtual engine::ClassFFT* FftEngine() = 0;
    // Whether the blur panel's kernel grid has any cell set.
    virtual bool KernelIsNotEmpty() const = 0;
    // Maxima of the blur panel's masking and localization sliders; the
    // sliders are repainted.
    virtual void SetMaskingMaximum(int maximum) = 0;
    virtual void SetLocalizationMaximum(int maximum) = 0;
    // The window's workflow object.
    virtual DNGConvert& Convert() = 0;

    // Crop origin of the result patch in preview-bitmap pixels, zoom of the
    // result patch in percent (100 or 200), brightness and contrast slider
    // positions (-75..75) and the item index of the colour-space list.
    virtual int CropLeft() const = 0;
    virtual int CropTop() const = 0;
    virtual int ZoomPercent() const = 0;
    virtual int BrightnessPosition() const = 0;
    virtual int ContrastPosition() const = 0;
    virtual int ProfileIndex() const = 0;

    // The three-plane check box; unchecking runs its click handler.
    virtual void SetHighQualityEnabled(bool enabled) = 0;
    virtual void SetHighQualityChecked(bool checked) = 0;

    // Saving settings: "Auto save final result", "Strip EXIF (if any) from
    // JPEG", the auto-save folder label's caption as shown.
    virtual bool AutoSave() const = 0;
    virtual bool StripExif() const = 0;
    virtual std::string AutoSaveFolder() const = 0;
    // File name of the last file written through the dialog ("" before the first).
    virtual std::string LastSavedName() const = 0;
    // Sets the last-saved label's caption and shows it.
    virtual void ShowLastSaved(const std::string& caption) = 0;
    // Asks for a file name, refusing the photo at `sourcePath` and a folder that
    // does not exist (and asking again), and has `write` store the prepared result
    // there. True once `write` returned; false when the dialog was cancelled.
    // Errors of `write` pass on, with the window usable again.
    virtual bool SaveWithDialog(const std::string& sourcePath,
                                const std::function<void(const std::string& path)>& write) = 0;

    // The main window's status label and bar, and those of the progress overlay.
    virtual platform::StatusLabelControl& StatusLabel() = 0;
    virtual platform::ProgressBarControl& StatusBar() = 0;
    virtual platform::StatusLabelControl& OverlayStatusLabel() = 0;
    virtual platform::ProgressBarControl& OverlayStatusBar() = 0;

    // The photo preview: its picture's bitmap (rendered into in place), an
    // empty picture, visibility, and a repaint after a change.
    virtual platform::Bitmap& PreviewPicture() = 0;
    virtual void ClearPreviewPicture() = 0;
    virtual void SetPreviewVisible(bool visible) = 0;
    virtual void RepaintPreview() = 0;
    // The browser's preview picture and the model line under it.
    virtual platform::Bitmap& BrowserPicture() = 0;
    virtual void ClearBrowserPicture() = 0;
    virtual void RepaintBrowserPicture() = 0;
    virtual void SetModelText(const std::string& text) = 0;
    // The file list and the result patch, repainted.
    virtual void RepaintFileList() = 0;
    virtual void RepaintResultPatch() = 0;
};

// The process-wide main window; null while there is none.
extern MainWindowLink* gMainWindow;

// The engine that decides the deblur area, or null when there is no window:
// then every site counts as inside.
const engine::ClassFFT* LinkedEngine();

}  // namespace pipeline
