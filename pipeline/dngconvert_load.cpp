#include "pipeline/class_dngconvert.h"
#include "pipeline/main_window_link.h"

namespace pipeline {

bool DNGConvert::RawIsEightBit(const dng_info& info) {
    // IFD 1 counts only when it is the raw image: an 8-bit preview there must
    // not get a 16-bit raw image squared.
    return info.IFDCount() > 1 && info.fMainIndex == 1 && info.fIFD[1]->fBitsPerSample[0] == 8;
}

void DNGConvert::ReadRawFromFile() {
    // A photo too large to render is refused before its raw data costs gigabytes.
    Negative->CheckWorkSize(*Info.fIFD[Info.fMainIndex]);
    Negative->ReadStage1Image(Host, *SourceStream, Info);
    Negative->ValidateRawImageDigest(Host);
    Negative->SynchronizeMetadata();
    if (RawIsEightBit(Info)) Negative->ExpandEightBitRaw();
}

void DNGConvert::LoadNegative(bool window) {
    SourceStream->SetReadPosition(0);
    Info.Parse(Host, *SourceStream);
    Info.PostParse(Host);
    // Parsing again undoes whatever a final result changed in the metadata.
    Negative->Parse(Host, *SourceStream, Info);
    Negative->PostParse(Host, *SourceStream, Info);
    // The stage-3 image and an earlier pass's work plane are never read again (a
    // patch builds its own), and a final result has better use for their memory.
    Negative->ReleaseStageImages();
    Negative->ReleaseStage2();

    const bool cached = bool(RawCache);
    if (!cached) {
        ReadRawFromFile();
        RawCache = Negative->Stage1Image()->Clone();
    } else if (!window) {
        Negative->InstallStage1Copy(*RawCache);
    }
    if (!window) return;

    const dng_rect area = ResultWindow();
    // Only the window is copied from the cache: a whole copy of the raw image per
    // patch pass costs far more than the patch.
    if (cached)
        Negative->InstallStage1Crop(Host, *RawCache, area.l, area.t, int32(area.W()), int32(area.H()));
    else
        Negative->CropStage1(Host, area.l, area.t, int32(area.W()), int32(area.H()));
}

dng_rect DNGConvert::ResultWindow() const {
    const int32 cropLeft = gMainWindow->CropLeft();
    const int32 cropTop = gMainWindow->CropTop();
    const int32 left = cropLeft + cropLeft % 2 + ActiveLeft;
    const int32 top = cropTop + cropTop % 2 + ActiveTop;
    const int32 side = TWKNegative::ResultBoxSize(Negative->fResultScale);
    // The crop origin is negative where the preview is smaller than the box, and
    // an odd height made even can put the box one row past the photo.
    return dng_rect(top, left, top + side, left + side) & Info.fIFD[Info.fMainIndex]->fActiveArea;
}

void DNGConvert::RebuildStage2() {
    Info.fShared->fCameraProfile.fColorPlanes = 3;
    Negative->BuildStage2Image(Host, ttShort);
}

}  // namespace pipeline
