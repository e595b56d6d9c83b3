#pragma once

namespace pipeline {

// What the program calls itself in the files it writes.
constexpr const char* kProgramName = "Clarivane";
constexpr const char* kProgramVersion = "1.1.0";

}  // namespace pipeline
