#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace pipeline {

// The model name without leading and trailing blanks and control characters
// (a fixed-size tag is often padded with NULs).
std::string TrimModelName(const std::string& model);

// The camera code of a supported model, compared whole and case-sensitively
// with a trimmed name; nothing for a model the program does not process.
std::optional<uint16_t> SupportedCameraCode(const std::string& trimmedModel);

// The camera code the browser gives a model, compared whole and untrimmed: the
// model's code when its DNGs correct lens distortion, 0 for any other name.
uint16_t BrowsedCameraCode(const std::string& model);

// Whether the camera of that code has DNGs that correct lens distortion by an
// opcode; the window then shows its note.
bool CorrectsLensDistortion(uint16_t code);

// Whether the model (compared whole and untrimmed) stores a small JPEG preview
// that the browser may show.
bool StoresJpegPreview(const std::string& model);

}  // namespace pipeline
