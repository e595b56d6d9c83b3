#pragma once
#include <string>

#include "dng/dng_fingerprint.h"
#include "dng/dng_image.h"
#include "dng/dng_memory.h"

// PreviewColorSpace codes.
enum : uint32 {
    previewColorSpace_Unknown = 0,
    previewColorSpace_GrayGamma22 = 1,
    previewColorSpace_sRGB = 2,
    previewColorSpace_AdobeRGB = 3,
    previewColorSpace_ProPhotoRGB = 4,
    previewColorSpace_Unset = 0xFFFFFFFF,
};

// What a written preview says about itself (the Preview* tags).
struct dng_preview_info {
    bool fIsPrimary = true;
    std::string fApplicationName;
    std::string fApplicationVersion;
    std::string fSettingsName;
    dng_fingerprint fSettingsDigest;
    uint32 fColorSpace = previewColorSpace_Unset;
    std::string fDateTime;
};

// An uncompressed preview: an 8-bit image of one or three planes and its information.
class dng_image_preview {
public:
    dng_preview_info fInfo;
    AutoPtr<dng_image> fImage;
};
