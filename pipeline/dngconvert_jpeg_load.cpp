#include <exception>
#include <string>

#include "pipeline/byte_view_stream.h"
#include "pipeline/class_dngconvert.h"
#include "pipeline/failure_text.h"
#include "pipeline/main_window_link.h"
#include "pipeline/output_naming.h"
#include "platform/message_box.h"

namespace pipeline {
namespace {

// The engine's row tables end here.
constexpr int kMaxJpegHeight = 5000;

constexpr const char* kTooLarge = "This JPEG is too large for Clarivane.\nThe JPEG you have selected is ";

std::string TooTallText(int height) {
    return kTooLarge + std::to_string(height) +
           " pixels in height.\n\nCurrently Clarivane can only handle JPEGs up to 5000 pixels in height.";
}

std::string TooManyPixelsText(int width, int height) {
    static_assert(platform::JpegImage::kMaxPixels % 1000000 == 0, "the text counts whole millions");
    return kTooLarge + std::to_string(width) + " x " + std::to_string(height) +
           " pixels.\n\nCurrently Clarivane can only handle JPEGs up to " +
           std::to_string(platform::JpegImage::kMaxPixels / 1000000) + " million pixels.";
}

void Refuse(const std::string& text, const char* caption) {
    platform::MessageBox(text, caption, platform::MB_OK | platform::MB_ICONWARNING);
}

}  // namespace

bool DNGConvert::LoadJPG(const std::string& path) {
    MainWindowLink& window = *gMainWindow;
    // No DNG stays behind a JPEG: brightness and contrast have nothing to render.
    DropNegative();
    dngReady_ = false;
    // A refused JPEG shows nothing of the photo before it.
    window.ClearBrowserPicture();
    window.SetModelText("");
    try {
        Jpeg = std::make_unique<platform::JpegImage>();
        Jpeg->LoadFromFile(path);
        {
            ByteViewStream stream(Jpeg->Data());
            SourceExif.ReadSections(stream, JPGExif::kReadMetadata | JPGExif::kReadImage);
        }

        // The header gives the size and layout, so a refused photo is never decoded.
        if (Jpeg->Height() > kMaxJpegHeight || Jpeg->Pixels() > platform::JpegImage::kMaxPixels) {
            Refuse(Jpeg->Height() > kMaxJpegHeight ? TooTallText(Jpeg->Height())
                                                   : TooManyPixelsText(Jpeg->Width(), Jpeg->Height()),
                   "JPEG too large");
            Jpeg.reset();
            return false;
        }
        if (Jpeg->Format() == platform::JpegImage::DecodedFormat::Unsupported) {
            Refuse("Clarivane can only process 8-bit or 24-bit per pixel JPGs.\n\n"
                   "The JPG you are trying to load does not comply.",
                   "Unsupported JPG");
            return false;
        }
        platform::Bitmap decoded = Jpeg->Decode();
        const bool grey = decoded.Format() == platform::PixelFormat::pf8bit;
        window.BrowserPicture() = decoded;
        window.SetModelText(grey ? "8-bits per pixel JPG" : "24-bits per pixel JPG");
        window.PreviewPicture() = std::move(decoded);
        window.RepaintBrowserPicture();
        window.RepaintPreview();
        SourceName = FileNamePart(path);
        window.RepaintFileList();
        return true;
    } catch (const std::exception&) {
        Refuse("Whoa... that's a bug...\n\nFailed to process the preview of this JPG..." +
                   FileCauseLines(std::current_exception()),
               "Clarivane error");
        return false;
    }
}

}  // namespace pipeline
