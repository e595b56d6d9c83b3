#include "photo_run_jpeg.h"

#include "photo_run.h"
#include "picture_files.h"
#include "pipeline/class_dngconvert.h"

namespace photorun {
namespace {

// The result patch's side at a zoom: one patch pixel is one preview pixel.
constexpr int kPatchSpan = 512;

bool WriteOrSay(const platform::Bitmap& bitmap, const std::string& path, std::ostream& log) {
    if (WritePpm(bitmap, path)) return true;
    log << "photo-run: cannot write " << path << '\n';
    return false;
}

}  // namespace

bool RunJpegPhoto(pipeline::HeadlessWindow& window, const PhotoRunOptions& options, std::ostream& log) {
    pipeline::DNGConvert& convert = window.Convert();
    if (!convert.LoadJPG(options.photo)) return false;
    if (!options.previewPath.empty() && !WriteOrSay(window.preview, options.previewPath, log)) return false;
    if (!options.thumbnailPath.empty()) {
        log << "photo-run: a JPEG has no thumbnail to write\n";
        return false;
    }
    if (!options.patchPath.empty()) {
        platform::Bitmap patch =
            CropCopy(window.preview, options.cropLeft, options.cropTop, kPatchSpan * 100 / options.zoom);
        convert.ProcessJPG(patch);
        if (!WriteOrSay(patch, options.patchPath, log)) return false;
    }
    if (options.finalFolder.empty() && !options.plugin) return true;
    const std::size_t shown = window.messages.size();
    if (convert.SaveJPG(window.preview, options.photo)) return true;
    if (window.messages.size() == shown) log << "photo-run: " << SilentRefusalReason(window) << '\n';
    return false;
}

}  // namespace photorun
