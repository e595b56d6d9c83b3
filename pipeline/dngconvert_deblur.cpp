#include "pipeline/class_dngconvert.h"
#include "pipeline/failure_text.h"
#include "pipeline/main_window_link.h"
#include "pipeline/program_version.h"
#include "pipeline/raw_data_unique_id.h"
#include "pipeline/saving_step.h"
#include "platform/message_box.h"
#include "platform/progress_controls.h"

namespace pipeline {

namespace {

void ShowMainStatus(const std::string& text) {
    platform::StatusLabelControl& label = gMainWindow->StatusLabel();
    label.SetText(text);
    label.Repaint();
}

}  // namespace

void DNGConvert::DeblurPreview(platform::Bitmap& bitmap) {
    if (!HasOpenDNG()) return;
    MainWindowLink& window = *gMainWindow;
    const int32 side = TWKNegative::ResultBoxSize(Negative->fResultScale);
    // Where the window lies in the patch: off its corner only for a photo smaller
    // than the box, whose patch is black around the photo as the undeblurred crop is.
    const dng_rect area = ResultWindow();
    const int32 intoLeft = area.l - ActiveLeft - window.CropLeft();
    const int32 intoTop = area.t - ActiveTop - window.CropTop();
    platform::Bitmap rendered;
    Negative->RenderPreview(Host, window.ZoomPercent() * 0.01, window.BrightnessPosition(),
                            window.ContrastPosition(), rendered);
    // A run that did not complete leaves the patch as it was.
    if (rendered.Width() == 0) return;
    bitmap = platform::Bitmap(side, side, platform::PixelFormat::pf24bit);
    platform::CopyPixels(rendered, 0, 0, bitmap, intoLeft, intoTop, rendered.Width(), rendered.Height());
}

bool DNGConvert::DeblurDNG(int mode) {
    // A failed or refused open leaves nothing that could be deblurred or saved.
    if (!HasOpenDNG()) return false;
    MainWindowLink& window = *gMainWindow;
    const bool patch = mode == kResultPatch;
    try {
        // Where the result goes and under which name is settled as the run starts.
        SaveRequest request;
        request.sourceName = SourceName;
        request.sourcePath = SourcePath;
        request.extensions = {".dng"};
        request.savingText = "Saving DNG to disk...";
        request.choices = TakeSaveChoices();
        request.write = [this](const OutputFile& output, SaveDestination) { return WriteDNG(output); };
        DeblurRun run;
        run.window = patch;
        LoadNegative(patch);

        Progress.Reset(true);
        if (patch) {
            // The patch reports nowhere, so no messages run through the reporter.
            Progress.bar = nullptr;
            Progress.label = nullptr;
            ShowMainStatus("Working...");
            // The window's corner in preview pixels, where the deblur circles live.
            const dng_rect area = ResultWindow();
            run.rowOffset = area.t - ActiveTop;
            run.columnOffset = area.l - ActiveLeft;
            // The window starts an even distance from the active area's corner.
            Negative->SetCFAPhase(0, 0);
        } else {
            Progress.bar = &window.OverlayStatusBar();
            Progress.label = &window.OverlayStatusLabel();
            run.rowOffset = -ActiveTop;
            run.columnOffset = -ActiveLeft;
            Negative->SetCFAPhase(ActiveTop, ActiveLeft);
        }

        // Each method test reads the kernel and the three-plane choice as they are then.
        bool completed = true;
        if (Negative->ColorChannels() == 1) {
            if (window.KernelIsNotEmpty()) completed = DeblurMonochrome(run);
        } else {
            if (window.KernelIsNotEmpty() && !HighQuality) completed = DeblurOnePlane(run);
            if (completed && window.KernelIsNotEmpty() && HighQuality) completed = DeblurThreePlanes(run);
        }
        if (!completed || CheckCancel()) return false;
        RebuildStage2();

        if (patch) {
            ShowMainStatus("Done...");
            return true;
        }
        // Without a kernel there is no deblurred mosaic to save.
        if (!run.rawCopy) return false;
        return SaveDeblurred(run, request);
    } catch (...) {
        const std::string text = "Whoa... that's a bug...\n\nFailed to process this DNG...";
        const std::string cause = FileCauseLines(std::current_exception());
        platform::MessageBox(patch ? text + cause : NotStoredText(text, cause), "Oops",
                             platform::MB_OK | platform::MB_ICONWARNING);
        return false;
    }
}

bool DNGConvert::SaveDeblurred(DeblurRun& run, const SaveRequest& request) {
    // The file's own raw image again, read afresh rather than from RawCache, so
    // the masked borders outside the active area are written as the file has them.
    Negative->ReleaseStageImages();
    Negative->ReleaseStage2();
    SourceStream->SetReadPosition(0);
    // Parsing once more brings back what the stage-2 builds dropped from the
    // metadata: a raw image stored through a linearization table is written with
    // that table, or readers would take its stored values for linear ones.
    Info.Parse(Host, *SourceStream);
    Info.PostParse(Host);
    Negative->Parse(Host, *SourceStream, Info);
    Negative->PostParse(Host, *SourceStream, Info);
    ReadRawFromFile();
    // 8-bit samples were expanded in place of their table.
    if (RawIsEightBit(Info)) Negative->GetLinearizationInfo()->fLinearizationTable.clear();

    Negative->GetExif().fSoftware = std::string(kProgramName) + " " + kProgramVersion;
    Negative->StoreResultInStage1(ActiveTop, ActiveLeft, *run.rawCopy);
    run.rawCopy.reset();
    // A cleared digest makes the writer compute one over the new raw data.
    Negative->ClearRawImageDigest();
    Progress.Reset(true);
    if (Progress.bar) Progress.bar->SetPosition(0);
    Negative->SetRawDataUniqueID(NewRawDataUniqueID());
    return SaveFinalResult(request, Progress);
}

}  // namespace pipeline
