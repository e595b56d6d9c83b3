#include "photo_run.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "photo_run_jpeg.h"
#include "picture_files.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/headless_window.h"
#include "pipeline/plugin_mode.h"
#include "pgm_image.h"
#include "text_kernel_grid.h"

namespace photorun {
namespace {

// Line breaks of a message shown as the two characters \n, so each message is one line.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
    if (text.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(), text.end() - long(tail.size()),
                      [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); });
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void LoadGrid(pipeline::HeadlessWindow& window, const PhotoRunOptions& options) {
    window.grid.SetMode(0);
    if (!options.gridPath.empty()) {
        const enginerun::TextKernelGrid text = enginerun::TextKernelGrid::ReadFile(options.gridPath);
        for (int x = 0; x < enginerun::TextKernelGrid::kSize; ++x)
            for (int y = 0; y < enginerun::TextKernelGrid::kSize; ++y)
                if (text.GetCell(x, y)) window.grid.ClickCell(x, y, false, text.GetCellColor(x, y));
    }
    window.grid.gridMode = options.engine.gridMode;
}

void Configure(pipeline::HeadlessWindow& window, const PhotoRunOptions& options, std::ostream& log) {
    window.onMessage = [&log](const pipeline::RecordedMessage& m) {
        log << "message: " << m.caption << ": " << OneLine(m.text) << '\n';
    };
    const auto printStatus = [&log](const std::string& text) { log << "status: " << text << '\n'; };
    window.statusLabel.onText = printStatus;
    window.overlayLabel.onText = printStatus;
    window.profileIndex = options.profile;
    window.brightness = options.brightness;
    window.contrast = options.contrast;
    window.cropLeft = options.cropLeft;
    window.cropTop = options.cropTop;
    window.zoomPercent = options.zoom;
    window.SetHighQualityChecked(options.threePlane);
    window.autoSave = !options.finalFolder.empty() && !options.plugin;
    window.autoSaveFolder = options.finalFolder;
    window.stripExif = options.stripExif;
    pipeline::gPluginMode = options.plugin;
    pipeline::gFileToOpen = options.plugin ? options.photo : std::string();
    LoadGrid(window, options);
    enginerun::ConfigureEngine(window.engine, options.engine);
}

bool WriteThumbnail(const pipeline::DNGConvert& convert, const std::string& path, std::ostream& log) {
    if (!convert.Thumbnail.fImage) {
        log << "photo-run: no thumbnail to write\n";
        return false;
    }
    return WritePpm(BitmapOfImage(*convert.Thumbnail.fImage), path);
}

}  // namespace

std::string SilentRefusalReason(const pipeline::HeadlessWindow& window) {
    return window.KernelIsNotEmpty() ? "no final result was saved" : "no final result: the kernel is empty";
}

int RunPhoto(const PhotoRunOptions& options, std::ostream& log) {
    const bool jpeg = EndsWithNoCase(options.photo, ".jpg") || EndsWithNoCase(options.photo, ".jpeg");
    if (!jpeg && !EndsWithNoCase(options.photo, ".dng")) {
        log << "photo-run: PHOTO must end in .dng, .jpg or .jpeg\n";
        return kBadArguments;
    }
    pipeline::HeadlessWindow window;
    try {
        Configure(window, options, log);
    } catch (const enginerun::FileError& e) {
        log << "photo-run: " << e.what() << '\n';
        return kBadArguments;
    }
    if (jpeg) return RunJpegPhoto(window, options, log) && window.messages.empty() ? kAllDone : kOperationFailed;
    pipeline::DNGConvert& convert = window.Convert();

    // A step that fails without a message is explained here, or the exit code would be all.
    bool ok = convert.ReadPreviewDNG(options.photo) && convert.ProcessDNG(options.photo, FileNameOf(options.photo));
    if (!ok && window.messages.empty()) log << "photo-run: not a DNG that can be read: " << options.photo << '\n';
    ok = ok && convert.HasOpenDNG();
    if (ok) convert.Negative->fResultScale = options.zoom / 100.0;
    if (ok && !options.previewPath.empty() && !WritePpm(window.preview, options.previewPath)) {
        log << "photo-run: cannot write " << options.previewPath << '\n';
        ok = false;
    }
    if (ok && !options.thumbnailPath.empty() && !WriteThumbnail(convert, options.thumbnailPath, log)) ok = false;
    if (ok && !options.patchPath.empty()) {
        // The patch is drawn only when its run succeeds.
        platform::Bitmap patch;
        convert.DeblurPreview(patch);
        if (patch.Width() == 0) {
            ok = false;
        } else if (!WritePpm(patch, options.patchPath)) {
            log << "photo-run: cannot write " << options.patchPath << '\n';
            ok = false;
        }
    }
    // In plug-in mode the result goes beside the photo, so --plugin alone asks for it too.
    if (ok && (!options.finalFolder.empty() || options.plugin)) {
        const std::size_t shown = window.messages.size();
        ok = convert.DeblurDNG(pipeline::DNGConvert::kFinalResult);
        if (!ok && window.messages.size() == shown) log << "photo-run: " << SilentRefusalReason(window) << '\n';
    }
    return ok && window.messages.empty() ? kAllDone : kOperationFailed;
}

}  // namespace photorun
