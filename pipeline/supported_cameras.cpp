#include "pipeline/supported_cameras.h"

#include <array>
#include <utility>

namespace pipeline {
namespace {

// The models whose raw data the deblurring passes were tuned for.
constexpr std::array<std::pair<const char*, uint16_t>, 17> kSupported = {{
    {"M9 Digital Camera", 0},
    {"M8 Digital Camera", 1},
    {"LEICA M (Typ 240)", 2},
    {"LEICA T (Typ 701)", 3},
    {"M Monochrom", 0},
    {"Canon EOS 350D", 10},
    {"Canon EOS 30D", 13},
    {"Canon EOS 40D", 14},
    {"Canon EOS 5D Mark II", 15},
    {"Canon EOS 500D", 11},
    {"Canon EOS 550D", 12},
    {"Canon EOS 5D Mark III", 17},
    {"Nikon D200", 20},
    {"Nikon D800", 21},
    {"Nikon D800E", 22},
    {"Sony ILCE-7S", 32},
    {"Leica S2", 0},
}};

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
    for (const auto& [name, code] : kSupported)
        if (trimmedModel == name) return code;
    return std::nullopt;
}

}  // namespace pipeline
