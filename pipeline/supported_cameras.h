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

}  // namespace pipeline
