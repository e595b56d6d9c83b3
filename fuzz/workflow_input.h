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

// Writes `size` bytes to this process's own input file and returns its path, for entry points
// that open a file by name. The file lives in memory (memfd_create, named with `suffix` on the
// first call) and is reached through /proc/self/fd, so nothing touches the disk and nothing is
// left behind when the process ends, even by a crash or a kill. Aborts when it cannot be written.
const std::string& WriteInputFile(const uint8_t* data, std::size_t size, const char* suffix);

}  // namespace fuzz
