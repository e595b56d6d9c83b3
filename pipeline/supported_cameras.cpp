#include "pipeline/supported_cameras.h"

#include <array>

namespace pipeline {
namespace {

struct SupportedCamera {
    const char* model;
    uint16_t code;
    // Its DNGs correct lens distortion by an opcode, which the window notes.
    bool correctsLensDistortion;
    // Its converter stores a small JPEG preview that the browser can show.
    bool storesJpegPreview;
};

// The models whose raw data the deblurring passes were tuned for.
constexpr std::array<SupportedCamera, 17> kSupported = {{
    {"M9 Digital Camera", 0, false, false},
    {"M8 Digital Camera", 1, false, false},
    {"LEICA M (Typ 240)", 2, false, true},
    {"LEICA T (Typ 701)", 3, true, true},
    {"M Monochrom", 0, false, false},
    {"Canon EOS 350D", 10, false, false},
    {"Canon EOS 30D", 13, false, false},
    {"Canon EOS 40D", 14, false, false},
    {"Canon EOS 5D Mark II", 15, false, false},
    {"Canon EOS 500D", 11, false, false},
    {"Canon EOS 550D", 12, false, false},
    {"Canon EOS 5D Mark III", 17, false, false},
    {"Nikon D200", 20, false, false},
    {"Nikon D800", 21, false, false},
    {"Nikon D800E", 22, false, false},
    {"Sony ILCE-7S", 32, true, false},
    {"Leica S2", 0, false, true},
}};

const SupportedCamera* Find(const std::string& model) {
    for (const SupportedCamera& camera : kSupported)
        if (model == camera.model) return &camera;
    return nullptr;
}

bool IsBlankOrControl(unsigned char c) { return c <= 0x20 || c == 0x7F; }

}  // namespace

std::string TrimModelName(const std::string& model) {
    std::size_t first = 0;
    std::size_t last = model.size();
    while (first < last && IsBlankOrControl(static_cast<unsigned char>(model[first]))) ++first;
    while (last > first && IsBlankOrControl(static_cast<unsigned char>(model[last - 1]))) --last;
    return model.substr(first, last - first);
}

std::optional<uint16_t> SupportedCameraCode(const std::string& trimmedModel) {
    const SupportedCamera* camera = Find(trimmedModel);
    if (!camera) return std::nullopt;
    return camera->code;
}

uint16_t BrowsedCameraCode(const std::string& model) {
    const SupportedCamera* camera = Find(model);
    return camera && camera->correctsLensDistortion ? camera->code : 0;
}

bool CorrectsLensDistortion(uint16_t code) {
    for (const SupportedCamera& camera : kSupported)
        if (camera.code == code && camera.correctsLensDistortion) return true;
    return false;
}

bool StoresJpegPreview(const std::string& model) {
    const SupportedCamera* camera = Find(model);
    return camera && camera->storesJpegPreview;
}

}  // namespace pipeline
