#pragma once
#include <array>
#include <memory>
#include <string>

#include "dng/dng_image_preview.h"
#include "dng/dng_info.h"
#include "dng/dng_stream.h"
#include "engine/progress_status.h"
#include "pipeline/class_twk_host.h"
#include "pipeline/jpgexif.h"
#include "pipeline/output_file.h"
#include "platform/bitmap.h"
#include "platform/jpeg_image.h"

namespace pipeline {

struct SaveRequest;

// The workflow object of the photo the main window works on: the open DNG
// with its negative and cached raw image, or the loaded JPEG with its planes
// and marker sections. One per main window; everything it shows or reads of
// the window goes through gMainWindow (main_window_link.h), which must be set
// while any operation other than the constructor, destructor and
// HasOpenDNG runs.
class DNGConvert {
public:
    // Modes of DeblurDNG.
    static constexpr int kFinalResult = 0;
    static constexpr int kResultPatch = 1;

    // Fields in the order the workflow documents them.
    uint16 CameraCode = 0;
    bool CancelRequested = false;
    dng_image_preview Thumbnail;
    std::string SourcePath;
    std::string SourceName;
    std::string Make;
    std::string Model;
    dng_info Info;
    std::unique_ptr<dng_file_stream> SourceStream;
    int32 ActiveLeft = 0;
    int32 ActiveTop = 0;
    std::unique_ptr<platform::JpegImage> Jpeg;
    std::unique_ptr<platform::JpegImage> ResultJpeg;
    AutoPtr<dng_image> RawCache;
    bool HighQuality = false;
    // Green, red and blue plane of the current JPEG split; a final result lets
    // them go once they are merged.
    std::array<std::unique_ptr<platform::Bitmap>, 3> Planes;
    JPGExif SourceExif;
    JPGExif TargetExif;
    AutoPtr<TWKNegative> Negative;
    TWKHost Host;
    engine::ProgressStatus Progress;

    DNGConvert();
    ~DNGConvert();
    DNGConvert(const DNGConvert&) = delete;
    DNGConvert& operator=(const DNGConvert&) = delete;

    // True once per cancel request: shows "Cancelled..." in the main
    // window's own status label, puts its bar at 0 and clears the request
    // and the negative's abort flag.
    bool CheckCancel();

    // Whether a DNG is open and ready for the result patch and the final
    // result: false before the first open, after a refused or failed open
    // and after the browser dropped the negative.
    bool HasOpenDNG() const { return dngReady_; }

    // --- Opening (dngconvert_open.cpp) ---
    // Replaces the current photo by the DNG at `path` (`name` is its file
    // name) when its camera is supported; true when it was opened, also when
    // the preview then failed (that failure is reported inside). Every
    // failure is reported in a message box except a file that is not a DNG.
    bool ProcessDNG(const std::string& path, const std::string& name);
    // Reads the raw image, builds the stages, the 320-pixel thumbnail and the
    // preview bitmap; reports its own failure in a message box.
    void OpenDNG();

    // --- Loading (dngconvert_load.cpp) ---
    // A freshly parsed negative with the whole raw image (window false) or
    // the result window under the crop origin as its stage 1. Reads the file's
    // raw image only while RawCache is empty. DNG layer errors pass on.
    void LoadNegative(bool window);
    // Stage 2 again from the current stage 1. DNG layer errors pass on.
    void RebuildStage2();
    // The result window in stored raw-image pixels: the square of the result
    // box at the crop origin, cut to the file's active area, so that a photo
    // smaller than the box gives what it has.
    dng_rect ResultWindow() const;
    // Reads and decodes the file's raw image into the negative's stage 1,
    // checks its digest and expands 8-bit samples. DNG layer errors pass on.
    void ReadRawFromFile();
    // Whether the raw image is stored with 8 bits per sample: the first value
    // of IFD 1 when IFD 1 holds the raw image; false for a file without IFD 1.
    static bool RawIsEightBit(const dng_info& info);

    // --- Preview (dngconvert_preview.cpp) ---
    // Re-applies brightness and contrast to the shown preview from the chosen
    // snapshot; nothing while no DNG is open. The zoom is not used.
    void ApplyBrightnessContrast(platform::Bitmap& bitmap, int32 zoom, int32 brightness, int32 contrast,
                                 bool full);

    // --- Browser (dngconvert_browse.cpp) ---
    // Shows the model line and the embedded preview of the DNG at `path` and
    // sets CameraCode; drops the negative and the loaded JPEG. False when the
    // file is not a valid DNG or could not be read (the latter with a
    // message box).
    bool ReadPreviewDNG(const std::string& path);

    // --- Deblurring (dngconvert_deblur.cpp) ---
    // The main window's result-patch request: renders the deblurred window
    // into `bitmap` when the run succeeds.
    void DeblurPreview(platform::Bitmap& bitmap);
    // kResultPatch: deblurs the window under the crop; kFinalResult: the whole
    // photo, then names and saves it. False when cancelled, refused, failed or
    // when no DNG is open (then nothing is touched).
    bool DeblurDNG(int mode);

    // --- Writing (dngconvert_write.cpp) ---
    // Writes the negative with Thumbnail as a DNG file and returns the name it took.
    // DNG layer errors pass on.
    std::string WriteDNG(const OutputFile& output);

    // --- JPEG workflow (dngconvert_jpeg*.cpp) ---
    // Releases the previous JPEG, reads the one at `path` with its marker
    // sections into Jpeg and SourceExif, and shows it decoded in the browser
    // and preview pictures. True when it can be worked on; false, after a
    // message box, when it is too tall, neither grey nor colour, or cannot be
    // read or decoded.
    bool LoadJPG(const std::string& path);
    // Deblurs the 24-bit result-patch bitmap in place, plane by plane, with
    // the deblur circles taken at the crop origin; sets the blur panel's
    // masking and localization maxima to the 8-bit ranges first.
    void ProcessJPG(platform::Bitmap& bitmap);
    // Deblurs a 24-bit copy of the preview bitmap, encodes it into ResultJpeg
    // at quality 100 and saves it: through the save dialog, into the
    // auto-save folder, or in plug-in mode beside the photo; with the source's
    // EXIF block unless "Strip EXIF" was ticked as the run started, and with its
    // colour profile when that describes RGB data. True when the
    // saving ran to its end (also when the dialog was cancelled); false after
    // a cancel, a refusal or a failure, each shown, with no file written.
    // Without a kernel it is refused at once and silently, as a DNG's result is.
    bool SaveJPG(const platform::Bitmap& bitmap, const std::string& sourcePath);
    // Writes ResultJpeg to `path` with the source's RGB colour profile and no
    // other metadata, and releases it. The bytes go to
    // a temporary file beside `path`, renamed over it when complete. False,
    // after a message box, when there is no result or it cannot be written;
    // `path` is then as it was.
    bool SaveResultJPG(const std::string& path);
    // Cuts the width of a 24-bit bitmap down to a multiple of 4 and makes
    // Planes from it: its green, red and blue values, each an 8-bit grey
    // bitmap of that size. False, with nothing changed, for a bitmap of
    // another pixel format.
    bool SplitPlanes(platform::Bitmap& bitmap);
    // Writes Planes back into a bitmap of their size: blue, green and red
    // from their planes, or for a grey photo (the browser picture is 8-bit)
    // the green plane in all three bytes. Nothing for a bitmap of another size.
    void MergePlanes(platform::Bitmap& bitmap);

private:
    // What one DeblurDNG run keeps besides the fields (dngconvert_deblur.cpp).
    struct DeblurRun {
        bool window = false;
        int rowOffset = 0;
        int columnOffset = 0;
        AutoPtr<dng_image> rawCopy;
    };
    // The three methods; each false when a cancel test stopped it.
    bool DeblurMonochrome(DeblurRun& run);
    bool DeblurOnePlane(DeblurRun& run);
    bool DeblurThreePlanes(DeblurRun& run);
    // The final result's end: the file's raw image read again with the deblurred
    // mosaic stored into its active area, new identifiers, then saved as `request`
    // (taken when the run started) says.
    bool SaveDeblurred(DeblurRun& run, const SaveRequest& request);

    // Releases the negative's stage images and deletes it.
    void DropNegative();

    bool dngReady_ = false;
};

}  // namespace pipeline
