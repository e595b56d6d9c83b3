#include "pipeline/browser_preview.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/failure_text.h"
#include "pipeline/main_window_link.h"
#include "pipeline/supported_cameras.h"
#include "platform/message_box.h"

namespace pipeline {

bool DNGConvert::ReadPreviewDNG(const std::string& path) {
    MainWindowLink& window = *gMainWindow;
    DropNegative();
    dngReady_ = false;
    // Without a usable preview the previous photo's thumbnail must not stay.
    window.ClearBrowserPicture();
    if (Jpeg) Jpeg = std::make_unique<platform::JpegImage>();
    try {
        dng_file_stream stream(path, 4096);
        Host.SetPreferredSize(0);
        Host.SetMinimumSize(0);
        Host.SetMaximumSize(0);
        Host.ValidateSizes();
        dng_info info;
        info.Parse(Host, stream);
        info.PostParse(Host);
        if (!info.IsValidDNG()) {
            window.SetModelText("Can't read preview...");
            return false;
        }
        if (info.fExif) Make = info.fExif->fMake;
        std::string model;
        if (info.fShared) {
            model = info.fShared->fUniqueCameraModel;
            Model = model;
            window.SetModelText("from: " + model);
        }
        CameraCode = BrowsedCameraCode(model);

        const int chosen = ChooseBrowserPreview(info, model);
        if (chosen >= 0) {
            const dng_ifd& ifd = *info.fIFD[std::size_t(chosen)];
            const std::vector<uint8> data = ReadPreviewData(stream, ifd);
            window.RepaintBrowserPicture();
            if (ifd.fCompression == 7) {
                Jpeg->LoadFromMemory(data.data(), data.size());
                window.BrowserPicture() = Jpeg->Decode();
            } else {
                DrawUncompressedPreview(ifd, data, window.BrowserPicture());
            }
        }
        window.RepaintBrowserPicture();
        window.RepaintFileList();
        return true;
    } catch (...) {
        platform::MessageBox("Whoa... that's a bug...\n\nFailed to process the preview of this DNG..." +
                                 FileCauseLines(std::current_exception()),
                             "Clarivane error", platform::MB_OK | platform::MB_ICONWARNING);
        return false;
    }
}

}  // namespace pipeline
