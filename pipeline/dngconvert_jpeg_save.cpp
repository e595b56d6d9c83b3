#include <exception>
#include <optional>
#include <string>

#include "engine/class_fft.h"
#include "pipeline/byte_view_stream.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/dngconvert_jpeg_planes.h"
#include "pipeline/failure_text.h"
#include "pipeline/main_window_link.h"
#include "pipeline/output_naming.h"
#include "pipeline/saving_step.h"
#include "platform/message_box.h"

namespace pipeline {
namespace {

constexpr int kQuality = 100;

// A write that failed after its message box was shown.
struct OutputNotWritten {};

// `cause`: CauseLines, or empty when no file and reason are known.
void ShowWriteFailure(const std::string& cause) {
    platform::MessageBox(NotStoredText("The JPG could not be written...", cause), kSaveRefusalCaption,
                         platform::MB_OK | platform::MB_ICONWARNING);
}

// The encoder's bytes with the source's colour profile, no other metadata; returns the name the file took.
std::string WriteEncoded(const platform::JpegImage& jpeg, const JPGExif& source, const OutputFile& output) {
    try {
        return output.Write([&](dng_stream& out) { source.PutEncodedWithProfile(out, jpeg.Data()); });
    } catch (const std::exception&) {
        ShowWriteFailure(FileCauseLines(std::current_exception()));
        throw OutputNotWritten{};
    }
}

// Writes `jpeg` as WriteEncoded does; the encoded result is spent by its write, whatever comes of it.
std::string WriteSpent(std::unique_ptr<platform::JpegImage>& jpeg, const JPGExif& source, const OutputFile& output) {
    const std::unique_ptr<platform::JpegImage> spent = std::move(jpeg);
    return WriteEncoded(*spent, source, output);
}

}  // namespace

bool DNGConvert::SaveJPG(const platform::Bitmap& bitmap, const std::string& sourcePath) {
    MainWindowLink& window = *gMainWindow;
    // Name, source and destination are settled as the run starts.
    SaveRequest request;
    request.sourceName = SourceName;
    request.sourcePath = sourcePath;
    request.extensions = {".jpg", ".jpeg"};
    request.savingText = "Saving JPG to disk...";
    request.choices = TakeSaveChoices();
    Progress.Reset(true);
    Progress.bar = &window.OverlayStatusBar();
    Progress.label = &window.OverlayStatusLabel();
    // As with a DNG: without a kernel there is nothing deblurred to save.
    if (!window.KernelIsNotEmpty()) return false;
    try {
        {
            engine::ClassFFT* fft = window.FftEngine();
            if (!fft) return false;
            SplitIntoPlanes(bitmap, Planes);
            const int width = Planes[0]->Width(), height = Planes[0]->Height();
            const bool grey = bitmap.Format() == platform::PixelFormat::pf8bit;
            if (!DeblurJpegPlanes(Planes, grey, *fft, 0, 0, &Progress, [this] { return CheckCancel(); }))
                return false;
            platform::Bitmap working(width, height, platform::PixelFormat::pf24bit);
            MergePlanes(working);
            // Nothing reads the planes before the next split, and the encoding is the run's
            // largest moment: the three planes are as large as the photo.
            for (auto& plane : Planes) plane.reset();
            ResultJpeg = std::make_unique<platform::JpegImage>();
            ResultJpeg->Compress(working, kQuality);
        }
        // The last plane's name would otherwise trail every status text of the saving.
        Progress.Reset(true);

        request.write = [this, strip = request.choices.stripExif](const OutputFile& output, SaveDestination) {
            // Every destination keeps the source's EXIF block unless told to strip it, and its
            // colour profile always: that says what the pixel values mean.
            if (strip) return WriteSpent(ResultJpeg, SourceExif, output);
            ByteViewStream encoded(ResultJpeg->Data());
            TargetExif.ReadSections(encoded, JPGExif::kReadMetadata | JPGExif::kReadImage);
            const std::optional<std::string> written = SourceExif.WriteWithExif(output, TargetExif);
            if (!written) throw OutputNotWritten{};
            return *written;
        };
        return SaveFinalResult(request, Progress);
    } catch (const OutputNotWritten&) {
        return false;
    } catch (const std::exception&) {
        platform::MessageBox(NotStoredText("Whoa... that's a bug...\n\nFailed to process this JPG...",
                                           FileCauseLines(std::current_exception())),
                             kSaveRefusalCaption, platform::MB_OK | platform::MB_ICONWARNING);
        return false;
    }
}

bool DNGConvert::SaveResultJPG(const std::string& path) {
    if (!ResultJpeg) {
        ShowWriteFailure(CauseLines(path, "There is no result to save."));
        return false;
    }
    try {
        WriteSpent(ResultJpeg, SourceExif, path);
        return true;
    } catch (const OutputNotWritten&) {
        return false;
    }
}

}  // namespace pipeline
