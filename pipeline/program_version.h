#pragma once

namespace pipeline {

// The version the program names in the files it writes and asks the update check about.
inline constexpr const char* kProgramVersion = "1.1.0";

}  // namespace pipeline
