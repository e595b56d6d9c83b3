#include <exception>

#include "dng/dng_color_space.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/class_twk_render.h"
#include "pipeline/failure_text.h"
#include "pipeline/main_window_link.h"
#include "pipeline/program_version.h"
#include "pipeline/supported_cameras.h"
#include "platform/message_box.h"
#include "platform/progress_controls.h"

namespace pipeline {
namespace {

constexpr uint32 kStreamBuffer = 4096;

const char* const kUnsupportedCameraText =
    "Unsupported camera... \n\nCurrently Clarivane can only process DNGs from:\n\n"
    "- Leica M9, M8, M (typ 240), T (typ 701), M Monochrom\n"
    "- Canon EOS 350D, 500D, 550D, 30D, 40D, 5D mark II, 5D mark III\n"
    "- Nikon D200, D800, D800E\n"
    "- Sony A7s\n\n"
    "As an alternative: Clarivane supports JPGs from any source.";

}  // namespace

bool DNGConvert::ProcessDNG(const std::string& path, const std::string& name) {
    MainWindowLink& window = *gMainWindow;
    dngReady_ = false;
    try {
        DropNegative();
        SourcePath = path;
        SourceName = name;
        CancelRequested = false;
        SourceStream.reset();
        SourceStream = std::make_unique<dng_file_stream>(path, kStreamBuffer);
        CameraCode = 0;
        Host.SetPreferredSize(0);
        Host.SetMinimumSize(0);
        Host.SetMaximumSize(0);
        Host.ValidateSizes();

        Info.Parse(Host, *SourceStream);
        Info.PostParse(Host);
        if (!Info.IsValidDNG()) return false;

        std::unique_ptr<dng_negative> made = Host.Make_dng_negative();
        Negative.reset(static_cast<TWKNegative*>(made.release()));
        Negative->Parse(Host, *SourceStream, Info);
        Negative->PostParse(Host, *SourceStream, Info);
        if (const dng_linearization_info* linearization = Negative->GetLinearizationInfo()) {
            ActiveLeft = linearization->fActiveArea.l;
            ActiveTop = linearization->fActiveArea.t;
        } else {
            ActiveLeft = ActiveTop = 0;
        }

        window.SetHighQualityEnabled(true);
        if (Negative->ColorChannels() == 1) {
            window.SetHighQualityEnabled(false);
            window.SetHighQualityChecked(false);
        }

        const std::optional<uint16_t> code = SupportedCameraCode(TrimModelName(Negative->ModelName()));
        if (!code) {
            platform::MessageBox(kUnsupportedCameraText, "Unsupported camera",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
            Negative->ReleaseStageImages();
            return false;
        }
        CameraCode = *code;
        RawCache.reset();
        dngReady_ = true;
        OpenDNG();
        return true;
    } catch (...) {
        dngReady_ = false;
        platform::MessageBox(
            "Whoa... that's a bug...\n\nFailed to process this DNG..." + FileCauseLines(std::current_exception()),
            "Clarivane error", platform::MB_OK | platform::MB_ICONWARNING);
        return false;
    }
}

void DNGConvert::OpenDNG() {
    MainWindowLink& window = *gMainWindow;
    try {
        Progress.Reset(true);
        Progress.bar = &window.StatusBar();
        Progress.label = &window.StatusLabel();
        Progress.bar->SetMin(0);
        Progress.bar->SetMax(4);
        Progress.bar->SetPosition(0);
        Progress.SetStatus("Opening DNG...");
        LoadNegative(false);
        window.ClearPreviewPicture();

        Progress.SetStatus("Processing DNG...");
        Negative->BuildStage2Image(Host, ttShort);
        Negative->BuildStage3Image(Host, -1);

        TWKRender render(Host, *Negative);
        render.SetFinalSpace(dng_space_sRGB::Get());
        render.SetFinalPixelType(ttByte);
        render.SetMaximumSize(TWKRender::kLongerSide);
        const dng_opcode_list& warps = Negative->OpcodeList3();
        Thumbnail.fImage = warps.NotEmpty() ? render.RenderWithOpcode(Host, *Negative, warps.Entry(0))
                                            : render.RenderPlain(Host, *Negative);
        Thumbnail.fInfo.fApplicationName = kProgramName;
        Thumbnail.fInfo.fApplicationVersion = std::string("Version ") + kProgramVersion;
        Thumbnail.fInfo.fSettingsName = "Default";
        Thumbnail.fInfo.fColorSpace = previewColorSpace_sRGB;

        Progress.SetStatus("Creating preview...");
        window.ClearPreviewPicture();
        window.SetPreviewVisible(false);
        platform::Bitmap& preview = window.PreviewPicture();
        const real64 zoom = window.ZoomPercent() / 100;
        if (Negative->ColorChannels() == 1)
            Negative->RenderMonochromeToBitmap(preview, zoom, window.BrightnessPosition(), window.ContrastPosition(),
                                               true);
        else
            Negative->RenderToBitmap(preview, zoom, window.BrightnessPosition(), window.ContrastPosition(), true,
                                     &Progress);
        window.SetPreviewVisible(true);
    } catch (...) {
        // Nothing to deblur: the window must not start a result from this state.
        dngReady_ = false;
        platform::MessageBox("Whoa... that's a bug...\n\nFailed to process this DNG into a preview..." +
                                 FileCauseLines(std::current_exception()),
                             "Oops", platform::MB_OK | platform::MB_ICONWARNING);
    }
}

}  // namespace pipeline
