#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "pipeline/headless_window.h"

namespace fuzz {

// The one headless main window of a workflow target, as the program keeps one for every photo,
// with the messages of earlier inputs cleared. The first call makes it and silences the standard
// error stream, where the workflow logs the damage it meets.
pipeline::HeadlessWindow& Window();

// Writes `size` bytes to this process's own input file (named with `suffix` on the first call,
// in the temporary folder, removed at exit) and returns its path, for entry points that open a
// file by name. Aborts when the file cannot be written.
const std::string& WriteInputFile(const uint8_t* data, std::size_t size, const char* suffix);

}  // namespace fuzz
