#pragma once

namespace pipeline {

// What the program calls itself in the files it writes, and the version it
// names there and asks the update check about.
inline constexpr const char* kProgramName = "Clarivane";
inline constexpr const char* kProgramVersion = "1.1.0";

}  // namespace pipeline
